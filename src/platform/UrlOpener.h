#pragma once

#include <QUrl>

// Opens a file or a web or mail address with the desktop's handler for it.
class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    // False when nothing could open it.
    virtual bool open(const QUrl &url) = 0;
};
