#pragma once

#include <QString>

// The standard file dialogs. Each returns once the user has chosen.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // An existing file, or an empty text when cancelled. The filter uses
    // Qt's form ("INI Files (*.ini);;All Files (*)").
    virtual QString openFile(const QString &title, const QString &filter, const QString &directory) = 0;
};
