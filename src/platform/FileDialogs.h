#pragma once

#include <QString>

#include <functional>

// The standard file dialogs. Each returns once the user has chosen.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    // An existing file, or an empty text when cancelled. The filter uses
    // Qt's form ("INI Files (*.ini);;All Files (*)").
    virtual QString openFile(const QString &title, const QString &filter, const QString &directory) = 0;
    // An existing directory, or an empty text when cancelled. With acceptable
    // given, only a directory it accepts can be chosen.
    virtual QString chooseDirectory(const QString &title, const QString &start,
                                    std::function<bool(const QString &)> acceptable = {}) = 0;
};
