#pragma once

#include <QString>
#include <QTextDocument>

// A tool tip that shows its text as it is. Qt takes a tip with anything like
// a tag before its first line break for markup, so text from servers and
// players that looks so is escaped into a paragraph of its own.
inline QString plainToolTip(const QString &text)
{
    return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text, Qt::WhiteSpaceNoWrap) : text;
}
