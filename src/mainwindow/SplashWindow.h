#pragma once

#include <QWidget>

class QLabel;

// Shown while the program starts: a picture with a progress line under it.
class SplashWindow final : public QWidget
{
    Q_OBJECT
public:
    static const QString kCloseText;

    explicit SplashWindow(QWidget *parent = nullptr);

    // Shows "[" + text + "]"; the close text closes the window instead.
    void showProgress(const QString &text);
    QString progressText() const;

private:
    QLabel *m_picture;
    QLabel *m_label;
};
