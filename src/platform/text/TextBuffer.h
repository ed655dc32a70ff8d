#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

// The text of a plain document, kept as a list of pieces over buffers that never change once
// written: the file's text, appended a chunk at a time as it is read, and what has been typed
// since. An edit rewrites the list of pieces, not the text, so it costs the same at the start of
// a gigabyte as at its end, and undoing it only puts old pieces back.
//
// Positions count UTF-16 units. Paragraphs end with '\n', which counts one; the text after the
// last '\n' is the last paragraph, so an empty buffer has one paragraph. Each piece knows its
// length and how many breaks it holds, and each buffer where its breaks are, so a paragraph is
// found by its number or by a position within it without reading the text.
class TextBuffer
{
public:
    TextBuffer() = default;
    explicit TextBuffer(QString text);  // '\n' breaks

    qsizetype length() const;
    qsizetype paragraphCount() const;
    qsizetype paragraphStart(qsizetype paragraph) const;
    qsizetype paragraphLength(qsizetype paragraph) const;  // without its break
    // The paragraph a position is in; length() is in the last paragraph.
    qsizetype paragraphAt(qsizetype position) const;

    QChar at(qsizetype position) const;  // '\0' outside the text
    QString text(qsizetype from, qsizetype count) const;  // cut at the end of the text
    QString paragraph(qsizetype paragraph) const;
    QString toString() const;
    // Hands the text of [from, from + count) to visit, in order, as views into the buffers,
    // until visit returns false. The views stay valid until the next edit.
    template <typename Visit>
    void visit(qsizetype from, qsizetype count, Visit visit) const;
    // The first position at or after from (before from, backward) where needle starts,
    // or -1. The match may span pieces.
    qsizetype indexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const;

    // Adds text at the end, outside the history: how a file's text arrives. Cheap: the chunk
    // becomes one piece, and its breaks are indexed once.
    void appendChunk(QString chunk);

    // Edits; each is recorded for undo unless the history is off.
    void insert(qsizetype position, QStringView text, bool mergeable = false);
    void remove(qsizetype position, qsizetype count, bool mergeable = false);
    void replace(qsizetype position, qsizetype count, QStringView text);  // one step

    // Undo history. Edits between beginGroup and endGroup (which nest) are one step. Typing
    // runs together: an insert that goes on where the last step's insert ended, with nothing
    // removed, joins that step when it is mergeable, as does a removal that goes on where the
    // last removal was; anything else starts a new step.
    void beginGroup();
    void endGroup();
    void closeStep();  // the next edit starts a step of its own (the caret moved, say)
    bool canUndo() const;
    bool canRedo() const;
    // What an undo or redo changed, for putting the caret back: the text at position that
    // now stands where `removed` units stood before.
    struct Change
    {
        qsizetype position = 0;
        qsizetype removed = 0;
        qsizetype added = 0;
    };
    std::optional<Change> undo();
    std::optional<Change> redo();
    void clearHistory();
    void setHistoryEnabled(bool on);  // off: edits are not recorded, the history is cleared

    // Memory held for the text in bytes, buffers and index together.
    qsizetype memoryUse() const;

private:
    struct Piece
    {
        std::int32_t buffer = 0;
        qsizetype start = 0;
        qsizetype length = 0;
        qsizetype breaks = 0;
    };
    // Implementation to follow; the public members above are the contract.
};
