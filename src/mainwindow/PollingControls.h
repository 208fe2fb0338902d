#pragma once

#include <QWidget>

class QCheckBox;
class QLabel;
class QSlider;

// A refresh switch with its label and delay slider, under a view.
class PollingControls final : public QWidget
{
    Q_OBJECT
public:
    // name is the control's role, such as "ServerInfo": the parts are named
    // cb_<name>Update, lbl_<name>Update and tb_<name>Delay.
    PollingControls(const QString &name, int minimum, int maximum, QWidget *parent = nullptr);

    // The label's text; screen readers get it without the blanks that make
    // room for the check box.
    void setText(const QString &text);

    QCheckBox *checkBox() const { return m_check; }
    QLabel *label() const { return m_label; }
    QSlider *slider() const { return m_slider; }

private:
    QCheckBox *m_check;
    QLabel *m_label;
    QSlider *m_slider;
};
