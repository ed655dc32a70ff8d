#include "format/TransformCommands.h"

#include "document/Workspace.h"
#include "format/LineBreaks.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace {

struct Piece {
    int position;
    int length;
    QTextCharFormat format;
};

} // namespace

void convertCaseKeepingFormat(QTextDocument &document, int from, int to, CaseConversion conversion)
{
    if (from >= to)
        return;
    CaseConverter converter(conversion);
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    std::vector<Piece> pieces;
    // Conversion keeps every length, so positions stay valid while the text is rewritten;
    // the block is re-found by position after each one because its fragments change.
    for (int blockStart = document.findBlock(from).position(); blockStart < to;) {
        const QTextBlock block = document.findBlock(blockStart);
        if (!block.isValid())
            break;
        if (blockStart > from)
            converter.breakLine();
        pieces.clear();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(fragment.position(), from);
            const int end = std::min(fragment.position() + fragment.length(), to);
            if (start < end)
                pieces.push_back({start, end - start, fragment.charFormat()});
        }
        for (const Piece &piece : pieces) {
            cursor.setPosition(piece.position);
            cursor.setPosition(piece.position + piece.length, QTextCursor::KeepAnchor);
            const QString original = cursor.selectedText();
            QString converted = original;
            converter.convert(converted);
            // Untouched pieces stay as they are; that also leaves alone any object or frame
            // marker that rewriting through insertText would turn into something else.
            if (converted != original)
                cursor.insertText(converted, piece.format);
        }
        blockStart = block.position() + block.length();
    }
    cursor.endEditBlock();
}

TransformCommands::TransformCommands(Workspace &workspace)
    : m_workspace(workspace)
{
}

void TransformCommands::changeCase(CaseConversion conversion)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const int start = editor.SelStart();
    const int length = editor.SelLength();
    if (length == 0)
        return;
    if (m_workspace.doc().isRichText()) {
        // Only the letters of the text change: the markup of the selection's RTF is left out of
        // it, so that font names and control words keep their case and the formatting survives.
        editor.editDocument(
            [&](QTextDocument &document) { convertCaseKeepingFormat(document, start, start + length, conversion); });
    } else {
        CaseConverter converter(conversion);
        editor.rewriteSelection([&converter](QStringView text) {
            QString converted = text.toString();
            converter.convert(converted);
            return converted;
        });
    }
    editor.setSelStart(start);
    editor.setSelLength(length);
}

void TransformCommands::upperCase()
{
    changeCase(CaseConversion::Upper);
}

void TransformCommands::lowerCase()
{
    changeCase(CaseConversion::Lower);
}

void TransformCommands::capitalize()
{
    changeCase(CaseConversion::Proper);
}

void TransformCommands::invertCase()
{
    changeCase(CaseConversion::Invert);
}

void TransformCommands::removeLineBreaks()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const auto join = [](QStringView text) { return lineBreaksToWrap(text, u"\n"); };
    if (editor.SelLength() != 0)
        editor.rewriteSelection(join);
    else
        editor.rewriteText(join);
}
