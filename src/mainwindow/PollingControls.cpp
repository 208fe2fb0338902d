#include "PollingControls.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

PollingControls::PollingControls(const QString &name, int minimum, int maximum, QWidget *parent)
    : QWidget(parent)
    , m_check(new QCheckBox(this))
    , m_label(new QLabel(this))
    , m_slider(new QSlider(Qt::Horizontal, this))
{
    m_check->setObjectName(QStringLiteral("cb_") + name + QStringLiteral("Update"));
    m_label->setObjectName(QStringLiteral("lbl_") + name + QStringLiteral("Update"));
    m_slider->setObjectName(QStringLiteral("tb_") + name + QStringLiteral("Delay"));
    m_slider->setRange(minimum, maximum);
    // The label names the switch: clicking it toggles the box.
    m_label->setBuddy(m_check);
    m_slider->setAccessibleName(name == QLatin1String("ServerInfo") ? QStringLiteral("Server info refresh interval")
                                                                    : QStringLiteral("Player info refresh interval"));

    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_check);
    row->addWidget(m_label, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addWidget(m_slider);
}

void PollingControls::setText(const QString &text)
{
    m_label->setText(text);
    m_check->setAccessibleName(text.trimmed());
    m_slider->setAccessibleDescription(text.trimmed());
}
