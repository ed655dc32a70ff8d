#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>

#include <optional>

// Plain-text files: bytes to text and back, remembering what the file looked like
// (encoding, byte-order mark, line-ending style) so that a save writes it back the same way.
//
// Reading: a UTF-8 mark, a UTF-16 LE or BE mark, else UTF-8 when the bytes are valid UTF-8,
// else Windows-1252, which decodes any bytes at all (binary files open as text). The first
// line ending met (CR LF, LF or CR) is the file's style. A file that is opened and written
// back unchanged comes out byte for byte as it was, unless it mixed line-ending styles.
enum class LineEnding { CRLF, LF, CR };

struct TextFileFormat {
    // "UTF-8", "UTF-16LE", "UTF-16BE" or "windows-1252"; other names go through QStringEncoder.
    QByteArray encoding = "UTF-8";
    bool byteOrderMark = false;
    LineEnding lineEnding = LineEnding::LF;
    bool operator==(const TextFileFormat &) const = default;
};

struct DecodedText {
    QString text;  // line breaks as '\n'
    TextFileFormat format;
};

DecodedText decodeText(QByteArrayView bytes);

// The same reading, a piece at a time, so that a large file's text need not exist as one
// string beside the document it is going into. The bytes must outlive the decoder.
class TextDecoder
{
public:
    explicit TextDecoder(QByteArrayView bytes);
    // Decoding a file a block of bytes at a time, its format settled beforehand (FormatSniffer)
    // and its mark left out: each call takes as much of bytes as ends on a whole character and
    // not between the CR and LF of one break (all of them when last), says how many it took in
    // used, and gives their text. The rest must come again at the front of the next block.
    explicit TextDecoder(const TextFileFormat &format);
    QString decode(QByteArrayView bytes, bool last, qsizetype *used);

    bool atEnd() const { return m_rest.isEmpty(); }
    // Bytes not yet read, for showing how far a long read has come.
    qsizetype bytesLeft() const { return m_rest.size(); }
    // Text from about maxBytes more of the file, line breaks as '\n'. A piece never ends
    // inside a character or between the CR and LF of one break.
    QString next(qsizetype maxBytes);
    // The line-ending style is known once the first break has been read.
    TextFileFormat format() const;

private:
    qsizetype pieceLength(qsizetype maxBytes) const;

    QByteArrayView m_rest;
    TextFileFormat m_format;
    std::optional<LineEnding> m_firstEnding;
    qsizetype m_unit = 1;  // bytes per code unit
};
// Settles a file's format (but its line ending) as TextDecoder does, from its bytes given a
// block at a time, so that a file need not be held whole to be read. Each call takes as much
// of bytes as ends on a whole character (all of them when last); the rest must come again at
// the front of the next block.
class FormatSniffer
{
public:
    qsizetype add(QByteArrayView bytes, bool last);
    // Whether what is still to come can no longer change the answer.
    bool settled() const { return m_utf16 || !m_valid; }
    TextFileFormat format() const;
    qsizetype markLength() const;  // bytes at the start that are the mark, not text

private:
    bool m_started = false;
    bool m_utf8Mark = false;
    bool m_utf16 = false;
    bool m_bigEndian = false;
    bool m_valid = true;  // UTF-8 so far
};

// text has its line breaks as '\n'; they are written in the format's style. Text that the
// format's encoding cannot hold is written as UTF-8 instead, so that nothing typed is lost.
QByteArray encodeText(const QString &text, const TextFileFormat &format);

// The same writing, given the text a piece at a time (pieces may part a surrogate pair), so
// that a file's text need not exist as one string beside the bytes it becomes. Windows-1252
// that meets a character it cannot hold turns what it has written into UTF-8 and goes on in
// that. Encodings other than the ones Penwick reads gather the text first.
class TextEncoder
{
public:
    explicit TextEncoder(const TextFileFormat &format, qsizetype expectedUnits = 0);
    void add(QStringView piece);
    void add(QLatin1StringView piece);
    QByteArray finish();

private:
    enum class Writing { Utf8, Utf16LE, Utf16BE, Windows1252, Whole };
    TextFileFormat m_format;
    Writing m_writing;
    QStringEncoder m_utf8{QStringConverter::Utf8};
    QByteArray m_bytes;
    QString m_text;
    bool m_partedPair = false;  // the last piece ended in the first half of a surrogate pair
};

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(QByteArrayView bytes);
