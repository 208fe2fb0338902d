#pragma once

#include "UrlOpener.h"

#include <QDesktopServices>

class QtUrlOpener final : public UrlOpener
{
public:
    bool open(const QUrl &url) override { return QDesktopServices::openUrl(url); }
};
