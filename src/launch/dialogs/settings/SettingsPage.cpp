#include "SettingsPage.h"

#include "DigitSpinBox.h"
#include "platform/FileDialogs.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SettingsPage::SettingsPage(const char *name, const SettingsPageContext &context)
    : m_context(context)
{
    setObjectName(QString::fromLatin1(name));
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::load(const SettingsValues &values)
{
    for (const Binding &binding : m_bindings)
        binding.load(values);
}

void SettingsPage::store(SettingsValues &values) const
{
    for (const Binding &binding : m_bindings) {
        if (binding.store)
            binding.store(values);
    }
}

void SettingsPage::nameControl(QWidget *control, const QString &name, const QString &accessibleName)
{
    control->setObjectName(name);
    if (!accessibleName.isEmpty())
        control->setAccessibleName(accessibleName);
    m_context.attachHint(control, control->objectName());
}

QLineEdit *SettingsPage::newLineEdit(const char *name, const QString &accessibleName, bool readOnly)
{
    auto *edit = named(new QLineEdit(this), name, accessibleName);
    edit->setReadOnly(readOnly);
    return edit;
}

QCheckBox *SettingsPage::newCheckBox(const char *name, const QString &caption)
{
    return named(new QCheckBox(caption, this), name, caption);
}

QSpinBox *SettingsPage::newSpinBox(const char *name, const QString &accessibleName, int minimum, int maximum,
                                   int digits)
{
    auto *box = named(new DigitSpinBox(digits, this), name, accessibleName);
    box->setRange(minimum, maximum);
    return box;
}

QPushButton *SettingsPage::newButton(const char *name, const QString &caption, const QString &accessibleName)
{
    return named(new QPushButton(caption, this), name, accessibleName);
}

QLabel *SettingsPage::newCaption(QWidget *buddy, const QString &text)
{
    auto *label = new QLabel(text.isEmpty() ? buddy->accessibleName() : text, this);
    label->setBuddy(buddy);
    return label;
}

void SettingsPage::hint(std::initializer_list<QWidget *> controls, const char *hintName)
{
    for (QWidget *control : controls)
        m_context.attachHint(control, QString::fromLatin1(hintName));
}

QHBoxLayout *SettingsPage::row(std::initializer_list<QWidget *> widgets, int stretchIndex)
{
    auto *layout = new QHBoxLayout;
    int index = 0;
    for (QWidget *widget : widgets)
        layout->addWidget(widget, index++ == stretchIndex ? 1 : 0);
    return layout;
}

void SettingsPage::addCaptioned(QVBoxLayout *layout, std::initializer_list<QWidget *> controls)
{
    layout->addWidget(newCaption(*controls.begin()));
    if (controls.size() == 1)
        layout->addWidget(*controls.begin());
    else
        layout->addLayout(row(controls));
}

void SettingsPage::bind(Loader load, Storer store)
{
    m_bindings.push_back({std::move(load), std::move(store)});
}

void SettingsPage::bind(QLineEdit *edit, QString Settings::*field)
{
    bind([edit, field](const SettingsValues &values) { edit->setText(values.settings.*field); },
         [edit, field](SettingsValues &values) { values.settings.*field = edit->text(); });
}

void SettingsPage::bind(QCheckBox *box, bool Settings::*field)
{
    bind([box, field](const SettingsValues &values) { box->setChecked(values.settings.*field); },
         [box, field](SettingsValues &values) { values.settings.*field = box->isChecked(); });
}

void SettingsPage::bind(QSpinBox *box, int Settings::*field)
{
    bind([box, field](const SettingsValues &values) { box->setValue(values.settings.*field); },
         [box, field](SettingsValues &values) { values.settings.*field = box->value(); });
}

void SettingsPage::browseFile(QLineEdit *edit, const QString &title, const QString &filter)
{
    const QString current = edit->text();
    const QString chosen =
        m_context.files.openFile(title, filter, current.isEmpty() ? QString() : QFileInfo(current).absolutePath());
    if (!chosen.isEmpty())
        edit->setText(chosen);
}
