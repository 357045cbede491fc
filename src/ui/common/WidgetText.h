#pragma once

#include <QString>
#include <QTextDocument>

namespace vireon {

// Text from the user, a file or the network as a button, check box or menu item shows it: Qt reads
// "&" in such a text as the mark of a keyboard shortcut, so "R&D feed" would show as "RD feed" and
// give Alt+D to a switch nobody meant to press. Labels that show outside text are plain text instead.
inline QString literalWidgetText(QString text)
{
    return text.replace(QLatin1Char('&'), QLatin1String("&&"));
}

// Outside text as a tooltip. Qt guesses whether a tooltip is rich text, so a decoder line or a host
// name that happens to look like markup would be drawn as markup; such text is escaped instead.
inline QString plainToolTip(const QString& text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return QStringLiteral("<p style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
           QStringLiteral("</p>");
}

} // namespace vireon
