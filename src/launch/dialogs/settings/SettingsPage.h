#pragma once

#include "SettingsPageContext.h"
#include "SettingsValues.h"

#include <QWidget>

#include <functional>
#include <initializer_list>
#include <vector>

class QCheckBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QVBoxLayout;

// One page of the settings dialog: it builds its controls, fills them from
// the values, writes them back and does what its buttons say. What it needs
// from outside the dialog comes through the frame's context.
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    ~SettingsPage() override;

    // Fills the controls from values.
    void load(const SettingsValues &values);
    // Puts what the controls hold into values; fields the page has no control for stay.
    void store(SettingsValues &values) const;
    // Once, when the dialog first shows.
    virtual void dialogShown() {}

protected:
    SettingsPage(const char *name, const SettingsPageContext &context);

    const SettingsPageContext &context() const { return m_context; }

    // Gives a control its object name and the name a screen reader announces;
    // a control whose name has a hint shows it.
    template<typename T>
    T *named(T *control, const QString &name, const QString &accessibleName = QString())
    {
        nameControl(control, name, accessibleName);
        return control;
    }
    template<typename T>
    T *named(T *control, const char *name, const QString &accessibleName = QString())
    {
        return named(control, QString::fromLatin1(name), accessibleName);
    }
    QLineEdit *newLineEdit(const char *name, const QString &accessibleName, bool readOnly = false);
    QCheckBox *newCheckBox(const char *name, const QString &caption);
    // digits 0 leaves the typed length to the range.
    QSpinBox *newSpinBox(const char *name, const QString &accessibleName, int minimum, int maximum, int digits = 0);
    QPushButton *newButton(const char *name, const QString &caption, const QString &accessibleName);
    // The label before a control, its accessible name unless text says otherwise.
    QLabel *newCaption(QWidget *buddy, const QString &text = QString());
    // The hint of hintName shows for these controls too.
    void hint(std::initializer_list<QWidget *> controls, const char *hintName);

    static QHBoxLayout *row(std::initializer_list<QWidget *> widgets, int stretchIndex = 0);
    // The first control's caption, and below it the controls in a row that
    // stretches the first.
    void addCaptioned(QVBoxLayout *layout, std::initializer_list<QWidget *> controls);

    using Loader = std::function<void(const SettingsValues &values)>;
    using Storer = std::function<void(SettingsValues &values)>;
    // What load and store do, in the order bound; a field only shown has no storer.
    void bind(Loader load, Storer store);
    // The control is loaded from and stored into the field.
    void bind(QLineEdit *edit, QString Settings::*field);
    void bind(QCheckBox *box, bool Settings::*field);
    void bind(QSpinBox *box, int Settings::*field);

    // Puts the file the user picks into edit; the dialog starts where edit's file is.
    void browseFile(QLineEdit *edit, const QString &title, const QString &filter);

private:
    struct Binding
    {
        Loader load;
        Storer store;
    };

    void nameControl(QWidget *control, const QString &name, const QString &accessibleName);

    const SettingsPageContext &m_context;
    std::vector<Binding> m_bindings;
};
