#pragma once

#include <QString>
#include <QTextDocument>

// What a tool tip shows of its text: the rendered markup when Qt takes the
// text for markup, else the text itself.
inline QString shownToolTip(const QString &tip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(tip))
        document.setHtml(tip);
    else
        document.setPlainText(tip);
    return document.toPlainText();
}
