#pragma once

#include <QString>

// The standard message boxes. Each call returns once the user has answered.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void showError(const QString &text) = 0;
    virtual void showWarning(const QString &text) = 0;
    virtual void showInformation(const QString &text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool confirm(const QString &text) = 0;
};
