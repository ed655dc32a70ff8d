#pragma once

#include <QColor>
#include <QHash>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <cstdint>
#include <vector>

class QTextCursor;

namespace rtf::detail {

enum class Align : std::uint8_t { Left, Center, Right, Justify };

// A paragraph's alignment as RTF knows it; leading/trailing count as left/right.
inline Align alignOf(const QTextBlockFormat &format)
{
    const Qt::Alignment a = format.alignment();
    if (a & Qt::AlignHCenter)
        return Align::Center;
    if (a & Qt::AlignJustify)
        return Align::Justify;
    if (a & (Qt::AlignRight | Qt::AlignTrailing))
        return Align::Right;
    return Align::Left;
}

// Character formatting as RTF scopes it; compared on every text run, so kept small and flat.
struct CharState
{
    int font = -1;        // \fN; -1 = the \deff font
    int halfPoints = 24;  // \fsN; RTF's default is 12 pt
    int color = 0;        // \cfN, 0 = auto
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;

    friend bool operator==(const CharState &, const CharState &) = default;
};

size_t qHash(const CharState &s, size_t seed = 0) noexcept;

struct FontEntry
{
    QString name;
    int charset = -1; // \fcharset, -1 when not given
};

// What the header tables define, shared by the parser (code pages) and the builder (formats).
struct Tables
{
    QHash<int, FontEntry> fonts;
    std::vector<QColor> colors; // invalid QColor = auto
    int defaultFont = -1;       // \deffN: what CharState::font -1 stands for
};

// Turns runs and paragraph ends into as few cursor calls as it can: one insertText per run,
// one insertBlock per paragraph, block formats only where the alignment changes.
class DocumentBuilder
{
public:
    DocumentBuilder(QTextCursor &cursor, const Tables &tables);

    void insertRun(const QString &text, const CharState &state);
    void endParagraph(Align align, const CharState &state);
    // lastAlign: the alignment in force at the last text of an unterminated final paragraph.
    void finish(Align lastAlign);
    void tablesChanged() { m_formats.clear(); }

private:
    QTextCharFormat formatFor(const CharState &state);
    void materialiseBreak();
    void applyAlign(Align align);

    QTextCursor &m_cursor;
    const Tables &m_tables;
    QHash<CharState, QTextCharFormat> m_formats;
    QTextBlockFormat m_hostFormat; // what the block the insertion started in had
    int m_hostAlign = -1;
    int m_blockAlign = -1;        // alignment known to be on the cursor's block, -1 unknown
    bool m_pendingBreak = false;  // a paragraph end not yet inserted (the last one may be dropped)
    bool m_dropFinalBreak = false;
    bool m_blockIsOurs = false;   // the cursor's block begins with inserted content
    bool m_paraHasText = false;
};

} // namespace rtf::detail
