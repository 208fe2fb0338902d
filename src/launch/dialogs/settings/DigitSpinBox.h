#pragma once

#include <QSpinBox>
#include <QValidator>

// A spin box that takes at most a given number of typed characters; 0 leaves
// the typed length to the range.
class DigitSpinBox final : public QSpinBox
{
public:
    DigitSpinBox(int digits, QWidget *parent)
        : QSpinBox(parent)
        , m_digits(digits)
    {
    }

protected:
    QValidator::State validate(QString &input, int &pos) const override
    {
        if (m_digits > 0 && input.size() > m_digits)
            return QValidator::Invalid;
        return QSpinBox::validate(input, pos);
    }

private:
    int m_digits;
};
