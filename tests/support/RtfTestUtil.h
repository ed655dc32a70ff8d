#pragma once

#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QColor>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

#include <optional>

// Helpers shared by the RTF tests.
namespace rtftest {

// Reads RTF into a fresh document, as a load does.
inline bool load(QTextDocument &doc, QByteArrayView rtf)
{
    QTextCursor cursor(&doc);
    return rtf::insertRtf(cursor, rtf).ok;
}

// The document's text with paragraph ends and line breaks as '\n' and nothing else replaced
// (toPlainText() would also turn no-break spaces into spaces).
inline QString plainText(const QTextDocument &doc)
{
    QString text = doc.toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

inline QString readText(QByteArrayView rtf)
{
    QTextDocument doc;
    load(doc, rtf);
    return plainText(doc);
}

// Writes doc and reads the RTF into back, as a save and a later open do; gives the RTF.
inline QByteArray roundTrip(const QTextDocument &doc, QTextDocument &back)
{
    const QByteArray rtf = rtf::documentToRtf(doc);
    load(back, rtf);
    return rtf;
}

// What Penwick can express of a character. Families are comma-joined; lookAt fills in the
// document's default font where the format has none.
struct Look
{
    QString family = {};
    double points = 0;
    bool bold = false, italic = false, underline = false, strike = false;
    std::optional<QColor> color = {}; // none: the automatic colour, no brush at all

    bool operator==(const Look &) const = default;
};

// The look of the character at pos (the one after the position).
inline Look lookAt(const QTextDocument &doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(&doc));
    c.setPosition(pos + 1);
    const QTextCharFormat f = c.charFormat();
    const QStringList families = f.fontFamilies().toStringList();
    return {families.isEmpty() ? doc.defaultFont().family() : families.join(u','),
            f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : doc.defaultFont().pointSizeF(),
            f.fontWeight() >= QFont::Bold, f.fontItalic(), f.fontUnderline(), f.fontStrikeOut(),
            f.foreground().style() == Qt::NoBrush ? std::nullopt : std::optional(f.foreground().color())};
}

// The format that gives a character this look; an empty family or a size of 0 stays unset.
inline QTextCharFormat format(const Look &look)
{
    QTextCharFormat f;
    if (!look.family.isEmpty())
        f.setFontFamilies({look.family});
    if (look.points > 0)
        f.setFontPointSize(look.points);
    if (look.bold)
        f.setFontWeight(QFont::Bold);
    f.setFontItalic(look.italic);
    f.setFontUnderline(look.underline);
    f.setFontStrikeOut(look.strike);
    if (look.color)
        f.setForeground(*look.color);
    return f;
}

// For QCOMPARE's message when two looks differ.
inline char *toString(const Look &l)
{
    return QTest::toString(QStringLiteral("%1 %2pt bold %3 italic %4 underline %5 strike %6 %7")
                               .arg(l.family).arg(l.points).arg(l.bold).arg(l.italic).arg(l.underline)
                               .arg(l.strike).arg(l.color ? l.color->name() : QStringLiteral("auto")));
}

} // namespace rtftest
