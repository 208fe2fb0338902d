#pragma once

#include "MessageBoxes.h"

// Message boxes for the window-less modes: messages go to standard error,
// questions are answered No.
class ConsoleMessageBoxes final : public MessageBoxes
{
public:
    void showError(const QString &text) override;
    void showWarning(const QString &text) override;
    void showInformation(const QString &text) override;
    bool confirm(const QString &text) override;
};
