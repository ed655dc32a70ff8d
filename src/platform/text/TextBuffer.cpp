#include "platform/text/TextBuffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <utility>

namespace {

// Offsets within a buffer, its breaks' among them, are kept in 32 bits; no buffer grows longer.
constexpr qsizetype kMaxBufferLength = std::numeric_limits<std::uint32_t>::max();
// Text inserted at once from this length on gets buffers of its own, of at most kOwnBufferLength
// units each, which can be narrow; shorter text, as typing is, goes into one growing buffer.
constexpr qsizetype kOwnBufferFrom = 1 << 16;
constexpr qsizetype kOwnBufferLength = 1 << 20;
// How much a rewrite hands its map at a time.
constexpr qsizetype kRewriteStretch = 1 << 16;

bool fitsLatin1(QStringView text)
{
    // Four units at a time, as nearly every unit passes.
    const char16_t *p = text.utf16();
    const char16_t *const end = p + text.size();
    for (; end - p >= 4; p += 4) {
        std::uint64_t units;
        std::memcpy(&units, p, 8);
        if (units & 0xFF00FF00FF00FF00u)
            return false;
    }
    for (; p < end; ++p) {
        if (*p > 0xFF)
            return false;
    }
    return true;
}

// Adds the offsets of text's breaks, text standing at base in its buffer.
void indexBreaks(QStringView text, qsizetype base, QList<std::uint32_t> &breaks)
{
    // Qt's search for one unit takes many at a time, which a plain loop does not.
    for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', at + 1))
        breaks.push_back(std::uint32_t(base + at));
}

void indexBreaks(QByteArrayView text, QList<std::uint32_t> &breaks)
{
    for (qsizetype at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1))
        breaks.push_back(std::uint32_t(at));
}

// Adds a piece to a list, joining it to the last one when it carries on from it in the same buffer:
// a typed run stays one piece, and a removal undone closes the cut it made.
template <typename Piece>
void appendPiece(std::vector<Piece> &pieces, const Piece &piece)
{
    if (piece.length == 0)
        return;
    if (!pieces.empty()) {
        Piece &last = pieces.back();
        if (last.buffer == piece.buffer && last.start + last.length == piece.start) {
            last.length += piece.length;
            last.breaks += piece.breaks;
            return;
        }
    }
    pieces.push_back(piece);
}

template <typename Piece>
void appendPieces(std::vector<Piece> &pieces, const std::vector<Piece> &more)
{
    for (const Piece &piece : more)
        appendPiece(pieces, piece);
}

// What is searched for, and how it is compared. Without case, units are folded one at a time:
// Qt's own search folds a surrogate pair as one, which would make a match depend on whether
// a piece happens to begin between its halves.
class Needle
{
public:
    Needle(QStringView text, Qt::CaseSensitivity cs)
        : m_text(text)
        , m_cs(cs)
    {
        if (cs == Qt::CaseSensitive) {
            if (fitsLatin1(text))
                m_latin1 = text.toLatin1();
            return;
        }
        m_folded.resize(text.size());
        std::transform(text.utf16(), text.utf16() + text.size(), m_folded.begin(), fold);
        // Horspool's shifts, forward from the needle's last unit and backward from its first,
        // keyed by a unit's low byte: units that share one only make a shift shorter.
        const qsizetype last = size() - 1;
        m_forward.fill(size());
        m_backward.fill(size());
        for (qsizetype k = 0; k < last; ++k)
            m_forward[m_folded[k] & 0xFF] = last - k;
        for (qsizetype k = last; k > 0; --k)
            m_backward[m_folded[k] & 0xFF] = k;
    }

    qsizetype size() const { return m_text.size(); }

    // The first match in haystack at or after from, or the last at or before it. 8-bit text is
    // searched as it is kept.
    qsizetype findIn(QStringView haystack, qsizetype from) const
    {
        if (m_cs == Qt::CaseSensitive)
            return haystack.indexOf(m_text, from);
        return findFolded(haystack.utf16(), haystack.size(), from);
    }
    qsizetype findIn(QLatin1StringView haystack, qsizetype from) const
    {
        if (m_cs == Qt::CaseSensitive)
            return m_latin1.isEmpty() ? -1 : QByteArrayView(haystack.data(), haystack.size()).indexOf(m_latin1, from);
        return findFolded(reinterpret_cast<const uchar *>(haystack.data()), haystack.size(), from);
    }
    qsizetype findLastIn(QStringView haystack, qsizetype from) const
    {
        if (m_cs == Qt::CaseSensitive)
            return haystack.lastIndexOf(m_text, from);
        return findLastFolded(haystack.utf16(), haystack.size(), from);
    }
    qsizetype findLastIn(QLatin1StringView haystack, qsizetype from) const
    {
        if (m_cs == Qt::CaseSensitive) {
            return m_latin1.isEmpty() ? -1
                                      : QByteArrayView(haystack.data(), haystack.size()).lastIndexOf(m_latin1, from);
        }
        return findLastFolded(reinterpret_cast<const uchar *>(haystack.data()), haystack.size(), from);
    }

private:
    static char16_t fold(char16_t unit)
    {
        // A table, as the search folds every unit it looks at.
        static const std::vector<char16_t> table = [] {
            std::vector<char16_t> folded(0x10000);
            for (char32_t c = 0; c < 0x10000; ++c)
                folded[c] = char16_t(QChar::toCaseFolded(c));
            return folded;
        }();
        return table[unit];
    }

    template <typename Unit>
    qsizetype findFolded(const Unit *units, qsizetype length, qsizetype from) const
    {
        const qsizetype last = size() - 1;
        for (qsizetype i = from; i <= length - size();) {
            const char16_t end = fold(units[i + last]);
            if (end == m_folded[last] && matchesAt(units + i))
                return i;
            i += m_forward[end & 0xFF];
        }
        return -1;
    }
    template <typename Unit>
    qsizetype findLastFolded(const Unit *units, qsizetype length, qsizetype from) const
    {
        for (qsizetype i = std::min(from, length - size()); i >= 0;) {
            const char16_t start = fold(units[i]);
            if (start == m_folded[0] && matchesAt(units + i))
                return i;
            i -= m_backward[start & 0xFF];
        }
        return -1;
    }
    template <typename Unit>
    bool matchesAt(const Unit *units) const
    {
        for (qsizetype k = 0; k < size(); ++k) {
            if (fold(units[k]) != m_folded[k])
                return false;
        }
        return true;
    }

    QStringView m_text;
    QByteArray m_latin1;  // the needle in 8 bits, when it fits in them
    Qt::CaseSensitivity m_cs;
    std::u16string m_folded;
    std::array<qsizetype, 256> m_forward;
    std::array<qsizetype, 256> m_backward;
};

} // namespace

TextBuffer::Chunk::Chunk(QString text)
{
    if (fitsLatin1(text)) {
        m_latin1 = std::as_const(text).toLatin1();
        m_narrow = true;
        indexBreaks(m_latin1, m_breaks);
    } else {
        // A chunk is kept for as long as the document lives, so room it will never fill is given back.
        if (text.capacity() - text.size() > text.size() / 32)
            text.squeeze();
        m_text = std::move(text);
        indexBreaks(m_text, 0, m_breaks);
    }
    m_breaks.squeeze();
}

TextBuffer::TextBuffer(QString text)
{
    appendChunk(std::move(text));
}

qsizetype TextBuffer::length() const
{
    return m_length;
}

qsizetype TextBuffer::paragraphCount() const
{
    return m_breaks + 1;
}

const std::vector<TextBuffer::Sums> &TextBuffer::sums() const
{
    m_sums.resize(m_pieces.size() + 1);
    for (std::size_t i = std::min(m_sumsValid, m_sums.size()); i < m_sums.size(); ++i) {
        const Piece &piece = m_pieces[i - 1];
        m_sums[i] = {m_sums[i - 1].position + piece.length, m_sums[i - 1].breaks + piece.breaks};
    }
    m_sumsValid = m_sums.size();
    return m_sums;
}

qsizetype TextBuffer::pieceAt(qsizetype position) const
{
    const std::vector<Sums> &before = sums();
    const auto after = std::upper_bound(before.begin(), before.end(), position,
                                        [](qsizetype p, const Sums &s) { return p < s.position; });
    return after - before.begin() - 1;
}

qsizetype TextBuffer::breaksIn(std::int32_t buffer, qsizetype start, qsizetype length) const
{
    const QList<std::uint32_t> &breaks = m_buffers[buffer].m_breaks;
    const auto first = std::lower_bound(breaks.begin(), breaks.end(), std::uint32_t(start));
    return std::lower_bound(first, breaks.end(), std::uint32_t(start + length)) - first;
}

qsizetype TextBuffer::afterBreak(const Piece &piece, qsizetype n) const
{
    const QList<std::uint32_t> &breaks = m_buffers[piece.buffer].m_breaks;
    const auto first = std::lower_bound(breaks.begin(), breaks.end(), std::uint32_t(piece.start));
    return qsizetype(first[n - 1]) + 1 - piece.start;
}

TextBuffer::Piece TextBuffer::slice(const Piece &piece, qsizetype offset, qsizetype length) const
{
    if (offset == 0 && length == piece.length)
        return piece;
    const qsizetype start = piece.start + offset;
    return {piece.buffer, start, length, breaksIn(piece.buffer, start, length)};
}

qsizetype TextBuffer::paragraphStart(qsizetype paragraph) const
{
    paragraph = std::clamp(paragraph, qsizetype(0), m_breaks);
    if (paragraph == 0)
        return 0;
    // The piece that holds the break ending the paragraph before.
    const std::vector<Sums> &before = sums();
    const auto holder = std::lower_bound(before.begin() + 1, before.end(), paragraph,
                                         [](const Sums &s, qsizetype n) { return s.breaks < n; });
    const qsizetype i = holder - before.begin() - 1;
    return before[i].position + afterBreak(m_pieces[i], paragraph - before[i].breaks);
}

qsizetype TextBuffer::paragraphLength(qsizetype paragraph) const
{
    paragraph = std::clamp(paragraph, qsizetype(0), m_breaks);
    const qsizetype end = paragraph < m_breaks ? paragraphStart(paragraph + 1) - 1 : m_length;
    return end - paragraphStart(paragraph);
}

qsizetype TextBuffer::paragraphAt(qsizetype position) const
{
    if (position <= 0)
        return 0;
    if (position >= m_length)
        return m_breaks;
    const qsizetype i = pieceAt(position);
    const Piece &piece = m_pieces[i];
    const Sums &before = m_sums[i];
    return before.breaks + breaksIn(piece.buffer, piece.start, position - before.position);
}

QChar TextBuffer::at(qsizetype position) const
{
    if (position < 0 || position >= m_length)
        return QChar();
    const qsizetype i = pieceAt(position);
    const Piece &piece = m_pieces[i];
    const Chunk &buffer = m_buffers[piece.buffer];
    const qsizetype at = piece.start + position - m_sums[i].position;
    return buffer.m_narrow ? QChar(uchar(buffer.m_latin1[at])) : buffer.m_text[at];
}

QString TextBuffer::text(qsizetype from, qsizetype count) const
{
    QString text;
    from = std::clamp(from, qsizetype(0), m_length);
    text.reserve(std::clamp(count, qsizetype(0), m_length - from));
    visit(from, count, [&text](QStringView part) {
        text += part;
        return true;
    });
    return text;
}

QString TextBuffer::paragraph(qsizetype paragraph) const
{
    return text(paragraphStart(paragraph), paragraphLength(paragraph));
}

QString TextBuffer::toString() const
{
    return text(0, m_length);
}

template <typename Needle>
qsizetype TextBuffer::findInPiece(const Needle &needle, const Piece &piece, qsizetype from, bool backward) const
{
    const Chunk &buffer = m_buffers[piece.buffer];
    if (buffer.m_narrow) {
        const QLatin1StringView kept = QLatin1StringView(buffer.m_latin1).sliced(piece.start, piece.length);
        return backward ? needle.findLastIn(kept, from) : needle.findIn(kept, from);
    }
    const QStringView kept = QStringView(buffer.m_text).sliced(piece.start, piece.length);
    return backward ? needle.findLastIn(kept, from) : needle.findIn(kept, from);
}

qsizetype TextBuffer::indexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const
{
    from = std::max(from, qsizetype(0));
    if (needle.isEmpty())
        return from <= m_length ? from : -1;
    if (from > m_length - needle.size())
        return -1;
    const Needle sought(needle, cs);
    const std::vector<Sums> &before = sums();
    const qsizetype overhang = needle.size() - 1;  // how far a match may run past its piece's end
    for (std::size_t i = pieceAt(from); i < m_pieces.size(); ++i) {
        const Piece &piece = m_pieces[i];
        const qsizetype offset = std::max(from - before[i].position, qsizetype(0));
        const qsizetype found = findInPiece(sought, piece, offset, false);
        if (found >= 0)
            return before[i].position + found;
        if (overhang == 0 || i + 1 == m_pieces.size())
            continue;
        // Any match wholly inside the piece comes before one that starts in its last units and
        // runs on into the next pieces, so those are looked for only now.
        const qsizetype tailStart = std::max(offset, piece.length - overhang);
        const qsizetype tail = piece.length - tailStart;
        const QString seam = text(before[i].position + tailStart, tail + overhang);
        const qsizetype match = sought.findIn(QStringView(seam), 0);
        if (match >= 0 && match < tail)
            return before[i].position + tailStart + match;
    }
    return -1;
}

qsizetype TextBuffer::lastIndexOf(QStringView needle, qsizetype from, Qt::CaseSensitivity cs) const
{
    if (from < 0)
        return -1;
    if (needle.isEmpty())
        return std::min(from, m_length);
    from = std::min(from, m_length - needle.size());
    if (from < 0)
        return -1;
    const Needle sought(needle, cs);
    const std::vector<Sums> &before = sums();
    const qsizetype overhang = needle.size() - 1;
    for (qsizetype i = pieceAt(from); i >= 0; --i) {
        const Piece &piece = m_pieces[i];
        const qsizetype latest = std::min(from - before[i].position, piece.length - 1);
        // Backward, a match that runs on into the next pieces comes before any wholly inside.
        if (overhang > 0 && std::size_t(i) + 1 < m_pieces.size()) {
            const qsizetype tailStart = std::max(piece.length - overhang, qsizetype(0));
            if (tailStart <= latest) {
                const QString seam = text(before[i].position + tailStart, piece.length - tailStart + overhang);
                const qsizetype match = sought.findLastIn(QStringView(seam), latest - tailStart);
                if (match >= 0)
                    return before[i].position + tailStart + match;
            }
        }
        const qsizetype found = findInPiece(sought, piece, latest, true);
        if (found >= 0)
            return before[i].position + found;
    }
    return -1;
}

void TextBuffer::appendChunk(QString chunk)
{
    if (chunk.size() > kMaxBufferLength) {
        for (qsizetype at = 0; at < chunk.size(); at += kMaxBufferLength)
            appendChunk(chunk.mid(at, kMaxBufferLength));
        return;
    }
    appendChunk(Chunk(std::move(chunk)));
}

void TextBuffer::appendChunk(Chunk chunk)
{
    if (chunk.size() == 0)
        return;
    const Piece piece{std::int32_t(m_buffers.size()), 0, chunk.size(), chunk.m_breaks.size()};
    m_buffers.push_back(std::move(chunk));
    m_pieces.push_back(piece);
    m_length += piece.length;
    m_breaks += piece.breaks;
}

std::vector<TextBuffer::Piece> TextBuffer::store(QStringView text)
{
    std::vector<Piece> pieces;
    if (text.size() >= kOwnBufferFrom) {
        for (qsizetype at = 0; at < text.size(); at += kOwnBufferLength) {
            Chunk chunk(text.sliced(at).first(std::min(kOwnBufferLength, text.size() - at)).toString());
            pieces.push_back({std::int32_t(m_buffers.size()), 0, chunk.size(), chunk.m_breaks.size()});
            m_buffers.push_back(std::move(chunk));
        }
        return pieces;
    }
    // Text taken from the added buffer itself must be copied before the buffer grows and moves.
    QString copy;
    if (m_added >= 0) {
        const QString &added = m_buffers[m_added].m_text;
        const std::less<const QChar *> before;
        if (!before(text.data(), added.constData()) && before(text.data(), added.constData() + added.size())) {
            copy = text.toString();
            text = copy;
        }
    }
    while (!text.isEmpty()) {
        if (m_added < 0 || m_buffers[m_added].m_text.size() == kMaxBufferLength) {
            m_buffers.emplace_back();
            m_added = std::int32_t(m_buffers.size() - 1);
        }
        Chunk &added = m_buffers[m_added];
        const qsizetype start = added.m_text.size();
        const QStringView part = text.first(std::min(text.size(), kMaxBufferLength - start));
        const qsizetype breaksBefore = added.m_breaks.size();
        added.m_text.append(part);
        indexBreaks(part, start, added.m_breaks);
        pieces.push_back({m_added, start, part.size(), added.m_breaks.size() - breaksBefore});
        text = text.sliced(part.size());
    }
    return pieces;
}

std::vector<TextBuffer::Piece> TextBuffer::splice(qsizetype position, qsizetype count, const std::vector<Piece> &with)
{
    const std::vector<Sums> &before = sums();
    const qsizetype pieceCount = qsizetype(m_pieces.size());
    const qsizetype end = position + count;
    // The pieces the range touches are rewritten with a neighbour on each side, which what is
    // put in may join.
    const qsizetype first = std::max((position < m_length ? pieceAt(position) : pieceCount) - 1, qsizetype(0));
    const qsizetype last = std::min((end < m_length ? pieceAt(end) : pieceCount) + 1, pieceCount);

    std::vector<Piece> pieces;
    std::vector<Piece> removed;
    for (qsizetype i = first; i < last; ++i) {
        const qsizetype start = before[i].position;
        if (start < position)
            appendPiece(pieces, slice(m_pieces[i], 0, std::min(position, start + m_pieces[i].length) - start));
    }
    appendPieces(pieces, with);
    for (qsizetype i = first; i < last; ++i) {
        const Piece &piece = m_pieces[i];
        const qsizetype start = before[i].position;
        const qsizetype from = std::max(position, start);
        const qsizetype to = std::min(end, start + piece.length);
        if (from < to)
            appendPiece(removed, slice(piece, from - start, to - from));
        if (start + piece.length > end) {
            const qsizetype keep = std::max(end, start) - start;
            appendPiece(pieces, slice(piece, keep, piece.length - keep));
        }
    }

    for (const Piece &piece : with) {
        m_length += piece.length;
        m_breaks += piece.breaks;
    }
    for (const Piece &piece : removed) {
        m_length -= piece.length;
        m_breaks -= piece.breaks;
    }
    const auto at = m_pieces.begin() + first;
    const qsizetype grown = qsizetype(pieces.size()) - (last - first);
    if (grown > 0)
        m_pieces.insert(at + (last - first), grown, Piece{});
    else
        m_pieces.erase(at + pieces.size(), at + (last - first));
    std::copy(pieces.begin(), pieces.end(), m_pieces.begin() + first);
    m_sumsValid = std::min(m_sumsValid, std::size_t(first) + 1);
    return removed;
}

void TextBuffer::insert(qsizetype position, QStringView text, bool mergeable)
{
    if (text.isEmpty())
        return;
    Edit edit;
    edit.position = std::clamp(position, qsizetype(0), m_length);
    edit.insertedLength = text.size();
    edit.inserted = store(text);
    splice(edit.position, 0, edit.inserted);
    record(std::move(edit), mergeable);
}

void TextBuffer::remove(qsizetype position, qsizetype count, bool mergeable)
{
    position = std::clamp(position, qsizetype(0), m_length);
    count = std::clamp(count, qsizetype(0), m_length - position);
    if (count == 0)
        return;
    Edit edit;
    edit.position = position;
    edit.removedLength = count;
    edit.removed = splice(position, count, {});
    record(std::move(edit), mergeable);
}

void TextBuffer::replace(qsizetype position, qsizetype count, QStringView text)
{
    position = std::clamp(position, qsizetype(0), m_length);
    count = std::clamp(count, qsizetype(0), m_length - position);
    if (count == 0 && text.isEmpty())
        return;
    Edit edit;
    edit.position = position;
    edit.removedLength = count;
    edit.insertedLength = text.size();
    edit.inserted = store(text);
    edit.removed = splice(position, count, edit.inserted);
    record(std::move(edit), false);
}

qsizetype TextBuffer::rewrite(qsizetype position, qsizetype count, const Rewrite &map)
{
    position = std::clamp(position, qsizetype(0), m_length);
    count = std::clamp(count, qsizetype(0), m_length - position);
    Edit edit;
    edit.position = position;
    edit.removedLength = count;
    // What map gives is kept in buffers of their own size as it comes, so that neither the old
    // text nor the new is ever whole in one string.
    QString made;
    const auto keep = [&] {
        appendPieces(edit.inserted, store(made));
        edit.insertedLength += made.size();
        made.resize(0);
    };
    const qsizetype end = position + count;
    for (qsizetype at = position; at < end;) {
        qsizetype stop = std::min(end, at + kRewriteStretch);
        while (stop < end && (this->at(stop - 1) == u'\n' || this->at(stop - 1).isHighSurrogate()))
            ++stop;
        made += map(text(at, stop - at));
        if (made.size() >= kOwnBufferLength)
            keep();
        at = stop;
    }
    keep();
    if (count == 0 && edit.insertedLength == 0)
        return 0;
    edit.removed = splice(position, count, edit.inserted);
    const qsizetype length = edit.insertedLength;
    record(std::move(edit), false);
    return length;
}

void TextBuffer::record(Edit edit, bool mergeable)
{
    if (!m_history)
        return;
    m_steps.erase(m_steps.begin() + m_done, m_steps.end());
    if (m_inGroupStep) {
        m_steps.back().edits.push_back(std::move(edit));
        return;
    }
    // A step takes on more only while it holds one mergeable edit: a group or a replace stays
    // as it was made, and typing after a paste is undone apart from it.
    if (mergeable && m_mergeOpen) {
        Edit &last = m_steps.back().edits.front();
        if (last.removedLength == 0 && edit.removedLength == 0
            && edit.position == last.position + last.insertedLength) {
            appendPieces(last.inserted, edit.inserted);
            last.insertedLength += edit.insertedLength;
            return;
        }
        if (last.insertedLength == 0 && edit.insertedLength == 0) {
            if (edit.position == last.position) {  // Delete, again
                appendPieces(last.removed, edit.removed);
                last.removedLength += edit.removedLength;
                return;
            }
            if (edit.position + edit.removedLength == last.position) {  // Backspace, again
                appendPieces(edit.removed, last.removed);
                last.removed = std::move(edit.removed);
                last.removedLength += edit.removedLength;
                last.position = edit.position;
                return;
            }
        }
    }
    Step step;
    step.edits.push_back(std::move(edit));
    m_steps.push_back(std::move(step));
    m_done = m_steps.size();
    m_inGroupStep = m_groupDepth > 0;
    m_mergeOpen = mergeable && !m_inGroupStep;
}

void TextBuffer::beginGroup()
{
    if (m_groupDepth++ == 0) {
        m_inGroupStep = false;
        m_mergeOpen = false;
    }
}

void TextBuffer::endGroup()
{
    if (m_groupDepth > 0 && --m_groupDepth == 0) {
        m_inGroupStep = false;
        m_mergeOpen = false;
    }
}

void TextBuffer::closeStep()
{
    m_mergeOpen = false;
}

bool TextBuffer::canUndo() const
{
    return m_done > 0;
}

bool TextBuffer::canRedo() const
{
    return m_done < m_steps.size();
}

std::optional<TextBuffer::Change> TextBuffer::replay(const Step &step, bool undoing)
{
    // The change is the span between the text the step left alone at the start and at the end.
    const qsizetype lengthBefore = m_length;
    qsizetype prefix = m_length;
    qsizetype suffix = m_length;
    const auto apply = [&](const Edit &edit) {
        const qsizetype count = undoing ? edit.insertedLength : edit.removedLength;
        prefix = std::min(prefix, edit.position);
        suffix = std::min(suffix, m_length - edit.position - count);
        splice(edit.position, count, undoing ? edit.removed : edit.inserted);
    };
    if (undoing)
        std::for_each(step.edits.rbegin(), step.edits.rend(), apply);
    else
        std::for_each(step.edits.begin(), step.edits.end(), apply);
    return Change{prefix, lengthBefore - prefix - suffix, m_length - prefix - suffix};
}

std::optional<TextBuffer::Change> TextBuffer::undo()
{
    if (m_done == 0)
        return std::nullopt;
    m_inGroupStep = false;
    m_mergeOpen = false;
    return replay(m_steps[--m_done], true);
}

std::optional<TextBuffer::Change> TextBuffer::redo()
{
    if (m_done == m_steps.size())
        return std::nullopt;
    m_inGroupStep = false;
    m_mergeOpen = false;
    return replay(m_steps[m_done++], false);
}

void TextBuffer::clearHistory()
{
    m_steps.clear();
    m_done = 0;
    m_inGroupStep = false;
    m_mergeOpen = false;
}

void TextBuffer::setHistoryEnabled(bool on)
{
    m_history = on;
    if (!on)
        clearHistory();
}

TextBuffer TextBuffer::withoutHistory() const
{
    TextBuffer copy;
    copy.m_buffers = m_buffers;
    copy.m_pieces = m_pieces;
    copy.m_length = m_length;
    copy.m_breaks = m_breaks;
    copy.m_added = m_added;
    return copy;
}

qsizetype TextBuffer::memoryUse() const
{
    qsizetype bytes = sizeof(*this) + m_buffers.capacity() * sizeof(Chunk) + m_pieces.capacity() * sizeof(Piece)
                      + m_sums.capacity() * sizeof(Sums) + m_steps.capacity() * sizeof(Step);
    for (const Chunk &buffer : m_buffers) {
        bytes += buffer.m_text.capacity() * sizeof(QChar) + buffer.m_latin1.capacity()
                 + buffer.m_breaks.capacity() * sizeof(std::uint32_t);
    }
    for (const Step &step : m_steps) {
        bytes += step.edits.capacity() * sizeof(Edit);
        for (const Edit &edit : step.edits)
            bytes += (edit.removed.capacity() + edit.inserted.capacity()) * sizeof(Piece);
    }
    return bytes;
}
