#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

// The text of a plain document, kept as a list of pieces over buffers that never change once
// written: the file's text, appended a chunk at a time as it is read, and what has been typed
// since. An edit rewrites the list of pieces, not the text, so it costs the same at the start of
// a gigabyte as at its end, and undoing it only puts old pieces back.
//
// Positions count UTF-16 units. Paragraphs end with '\n', which counts one; the text after the
// last '\n' is the last paragraph, so an empty buffer has one paragraph. Each piece knows its
// length and how many breaks it holds, and each buffer where its breaks are, so a paragraph is
// found by its number or by a position within it without reading the text. Text whose units
// all fit in 8 bits, as most files' text does, is kept in 8 bits.
class TextBuffer
{
public:
    // Text made ready to be kept: narrowed to 8 bits if it can be, and its breaks found. A file's
    // chunks are made where it is read, so that a worker thread does this work.
    class Chunk
    {
    public:
        Chunk() = default;
        explicit Chunk(QString text);
        qsizetype size() const { return m_narrow ? m_latin1.size() : m_text.size(); }

    private:
        friend class TextBuffer;
        QString m_text;
        QByteArray m_latin1;
        QList<std::uint32_t> m_breaks;  // where its '\n' are, ascending
        bool m_narrow = false;
    };

    TextBuffer() = default;
    explicit TextBuffer(QString text);  // '\n' breaks

    qsizetype length() const;
    qsizetype paragraphCount() const;
    // A paragraph number outside [0, paragraphCount()) is taken as the first or the last.
    qsizetype paragraphStart(qsizetype paragraph) const;
    qsizetype paragraphLength(qsizetype paragraph) const;  // without its break
    // The paragraph a position is in; length() is in the last paragraph.
    qsizetype paragraphAt(qsizetype position) const;

    QChar at(qsizetype position) const;  // '\0' outside the text
    QString text(qsizetype from, qsizetype count) const;  // cut at the end of the text
    QString paragraph(qsizetype paragraph) const;
    QString toString() const;
    // Hands the text of [from, from + count) to visit, in order, in views that are valid during
    // the call, until visit returns false.
    template <typename Visit>
    void visit(qsizetype from, qsizetype count, Visit visit) const;
    // The same, but text kept in 8 bits comes as it is kept, in a QLatin1StringView, so visit
    // takes both kinds: for work that need not widen it, as writing it out.
    template <typename Visit>
    void visitKept(qsizetype from, qsizetype count, Visit visit) const;
    // The first position at or after from where needle starts, or -1. The match may span
    // pieces. A from before the text searches it all; an empty needle is found at from.
    qsizetype indexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const;
    // Searching backward: the last position at or before from where needle starts, or -1.
    // A from past the end searches it all, one before the start finds nothing.
    qsizetype lastIndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const;

    // Adds text at the end, outside the history: how a file's text arrives. Cheap: the chunk
    // becomes one piece, and its breaks are indexed once.
    void appendChunk(QString chunk);
    void appendChunk(Chunk chunk);

    // Edits; each is recorded for undo unless the history is off. Positions and counts are
    // cut to the text.
    void insert(qsizetype position, QStringView text, bool mergeable = false);
    void remove(qsizetype position, qsizetype count, bool mergeable = false);
    void replace(qsizetype position, qsizetype count, QStringView text);  // one step
    // Replaces [position, position + count) with what map makes of it, given a stretch at a time,
    // as one step; returns the new text's length. A stretch never ends inside a surrogate pair
    // or after a break, so a map that carries what it needs from one stretch to the next (a word
    // begun, say) gives what it would give the whole. Only one stretch is copied at a time.
    using Rewrite = std::function<QString(QStringView)>;
    qsizetype rewrite(qsizetype position, qsizetype count, const Rewrite &map);

    // Undo history. Edits between beginGroup and endGroup (which nest) are one step. Typing
    // runs together: an insert that goes on where the last step's insert ended, with nothing
    // removed, joins that step when both are mergeable, as does a removal that goes on where
    // the last removal was (forward, as Delete does, or backward, as Backspace does); anything
    // else starts a new step.
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

    // A copy of the text alone, sharing the buffers: cheap however long the text. Each copy
    // may then be read or edited in a thread of its own.
    TextBuffer withoutHistory() const;

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
    // What comes before a piece: m_sums[i] for piece i, and one more for the whole text.
    struct Sums
    {
        qsizetype position = 0;
        qsizetype breaks = 0;
    };
    // One edit as pieces: undoing it puts `removed` back where `inserted` stands.
    struct Edit
    {
        qsizetype position = 0;
        qsizetype removedLength = 0;
        qsizetype insertedLength = 0;
        std::vector<Piece> removed;
        std::vector<Piece> inserted;
    };
    struct Step
    {
        std::vector<Edit> edits;
    };

    const std::vector<Sums> &sums() const;
    // The piece that holds position, which is in [0, length()).
    qsizetype pieceAt(qsizetype position) const;
    // Searches a piece's text where it is kept, forward from or backward from `from`.
    template <typename Needle>
    qsizetype findInPiece(const Needle &needle, const Piece &piece, qsizetype from, bool backward) const;
    static QStringView widened(QLatin1StringView text, QString &scratch)
    {
        scratch.resize(text.size());
        const auto *from = reinterpret_cast<const uchar *>(text.data());
        std::copy(from, from + text.size(), reinterpret_cast<char16_t *>(scratch.data()));
        return scratch;
    }
    qsizetype breaksIn(std::int32_t buffer, qsizetype start, qsizetype length) const;
    // Offset in the piece just past its n-th break (from 1).
    qsizetype afterBreak(const Piece &piece, qsizetype n) const;
    Piece slice(const Piece &piece, qsizetype offset, qsizetype length) const;
    std::vector<Piece> store(QStringView text);
    std::vector<Piece> splice(qsizetype position, qsizetype count, const std::vector<Piece> &with);
    void record(Edit edit, bool mergeable);
    std::optional<Change> replay(const Step &step, bool undoing);

    // What pieces point into: the file's chunks, text put in at once in large amounts, and the
    // one growing buffer that typing goes into (m_added).
    std::vector<Chunk> m_buffers;
    std::vector<Piece> m_pieces;
    mutable std::vector<Sums> m_sums{Sums{}};
    mutable std::size_t m_sumsValid = 1;  // entries of m_sums still true
    qsizetype m_length = 0;
    qsizetype m_breaks = 0;
    std::int32_t m_added = -1;  // the buffer typing goes into, none yet

    std::vector<Step> m_steps;
    std::size_t m_done = 0;  // steps that undo can take back
    int m_groupDepth = 0;
    bool m_inGroupStep = false;  // a group's edits go into the last step
    bool m_mergeOpen = false;  // the last step is one mergeable edit that may go on
    bool m_history = true;
};

template <typename Visit>
void TextBuffer::visitKept(qsizetype from, qsizetype count, Visit visit) const
{
    from = std::clamp(from, qsizetype(0), m_length);
    count = std::min(count, m_length - from);
    if (count <= 0)
        return;
    const std::vector<Sums> &before = sums();
    for (qsizetype i = pieceAt(from); count > 0; ++i) {
        const Piece &piece = m_pieces[i];
        const Chunk &buffer = m_buffers[piece.buffer];
        const qsizetype offset = from - before[i].position;
        const qsizetype length = std::min(count, piece.length - offset);
        const qsizetype start = piece.start + offset;
        count -= length;
        from += length;
        const bool more = buffer.m_narrow ? visit(QLatin1StringView(buffer.m_latin1).sliced(start, length))
                                          : visit(QStringView(buffer.m_text).sliced(start, length));
        if (!more)
            return;
    }
}

template <typename Visit>
void TextBuffer::visit(qsizetype from, qsizetype count, Visit visit) const
{
    QString scratch;
    visitKept(from, count, [&](auto part) {
        if constexpr (std::is_same_v<decltype(part), QLatin1StringView>)
            return visit(widened(part, scratch));
        else
            return visit(part);
    });
}
