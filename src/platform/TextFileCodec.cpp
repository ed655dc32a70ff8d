#include "platform/TextFileCodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>

namespace {

const QByteArray kUtf8 = "UTF-8";
const QByteArray kUtf16LE = "UTF-16LE";
const QByteArray kUtf16BE = "UTF-16BE";
const QByteArray kWindows1252 = "windows-1252";

// Bytes 0x80 to 0x9F of Windows-1252. The five bytes the code page leaves undefined map to
// the C1 controls of the same value, so that every byte decodes and encodes back unchanged.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool startsWith(QByteArrayView bytes, std::initializer_list<unsigned char> mark)
{
    if (bytes.size() < qsizetype(mark.size()))
        return false;
    qsizetype i = 0;
    for (const unsigned char b : mark) {
        if (static_cast<unsigned char>(bytes[i++]) != b)
            return false;
    }
    return true;
}

QString decodeUtf16(QByteArrayView bytes, bool bigEndian)
{
    QString text(bytes.size() / 2, Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        *out++ = bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    }
    // Code units are copied as they stand, unpaired surrogates included, so they write back
    // unchanged; only a dangling odd byte has no character to become.
    if (bytes.size() % 2)
        text += QChar::ReplacementCharacter;
    return text;
}

QString decodeWindows1252(QByteArrayView bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        *out++ = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : char16_t(b);
    }
    return text;
}

std::optional<QByteArray> encodeWindows1252(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    char *out = bytes.data();
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            *out++ = char(c);
            continue;
        }
        qsizetype found = -1;
        for (qsizetype i = 0; i < qsizetype(kCp1252High.size()); ++i) {
            if (kCp1252High[i] == c) {
                found = i;
                break;
            }
        }
        if (found < 0)
            return std::nullopt;
        *out++ = char(0x80 + found);
    }
    return bytes;
}

QByteArray encodeUtf16(QStringView text, bool bigEndian, bool mark)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) * 2);
    auto put = [&](char16_t c) {
        if (bigEndian) {
            bytes += char(c >> 8);
            bytes += char(c & 0xFF);
        } else {
            bytes += char(c & 0xFF);
            bytes += char(c >> 8);
        }
    };
    if (mark)
        put(0xFEFF);
    for (const QChar c : text)
        put(c.unicode());
    return bytes;
}

// Every line break as '\n', in place, noting the style of the first one met.
void unifyLineBreaks(QString &text, std::optional<LineEnding> &firstEnding)
{
    // Text with no CR, as most is, needs nothing but its first ending noted.
    const qsizetype firstCr = text.indexOf(u'\r');
    const qsizetype firstLf = firstEnding ? -1 : text.indexOf(u'\n');
    if (firstLf >= 0 && (firstCr < 0 || firstLf < firstCr))
        firstEnding = LineEnding::LF;
    if (firstCr < 0)
        return;
    char16_t *const begin = reinterpret_cast<char16_t *>(text.data());
    const char16_t *at = begin + firstCr;
    const char16_t *const end = begin + text.size();
    char16_t *put = begin + firstCr;
    for (; at < end; ++at) {
        const char16_t c = *at;
        if (c == u'\r') {
            const bool pair = at + 1 < end && at[1] == u'\n';
            if (!firstEnding)
                firstEnding = pair ? LineEnding::CRLF : LineEnding::CR;
            if (pair)
                ++at;
            *put++ = u'\n';
            continue;
        }
        if (c == u'\n' && !firstEnding)
            firstEnding = LineEnding::LF;
        *put++ = c;
    }
    text.truncate(put - begin);
}

QString withLineEnding(const QString &text, LineEnding ending)
{
    if (ending == LineEnding::LF)
        return text;
    if (ending == LineEnding::CR) {
        QString out = text;
        out.replace(u'\n', u'\r');
        return out;
    }
    const qsizetype breaks = text.count(u'\n');
    QString out(text.size() + breaks, Qt::Uninitialized);
    char16_t *put = reinterpret_cast<char16_t *>(out.data());
    for (const QChar c : text) {
        if (c == u'\n')
            *put++ = u'\r';
        *put++ = c.unicode();
    }
    return out;
}

QByteArray utf8(const QString &text, bool mark)
{
    return (mark ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + text.toUtf8();
}

// How many bytes at the end may be the start of a character still to come.
qsizetype incompleteUtf8Tail(QByteArrayView bytes)
{
    for (qsizetype back = 1; back <= 3 && back <= bytes.size(); ++back) {
        const auto c = static_cast<unsigned char>(bytes[bytes.size() - back]);
        if ((c & 0xC0) == 0x80)
            continue;
        const qsizetype length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return length > back ? back : 0;
    }
    return 0;
}

} // namespace

bool isValidUtf8(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    while (p < end) {
        // Most text is ASCII: sixteen bytes at a time until a byte with its high bit set.
        while (end - p >= 16) {
            std::uint64_t first;
            std::uint64_t second;
            std::memcpy(&first, p, 8);
            std::memcpy(&second, p + 8, 8);
            if ((first | second) & 0x8080808080808080u)
                break;
            p += 16;
        }
        if (p == end)
            break;
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        // Lead byte: how many continuation bytes follow, and the smallest value that needs them.
        int more = 0;
        if ((b & 0xE0) == 0xC0)
            more = 1;
        else if ((b & 0xF0) == 0xE0)
            more = 2;
        else if ((b & 0xF8) == 0xF0)
            more = 3;
        else
            return false;
        constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        char32_t value = b & (0x7F >> (more + 1));
        if (end - p <= more)
            return false;
        for (int k = 1; k <= more; ++k) {
            if ((p[k] & 0xC0) != 0x80)
                return false;
            value = value << 6 | (p[k] & 0x3F);
        }
        if (value < kLeast[more] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
            return false;
        p += more + 1;
    }
    return true;
}

TextDecoder::TextDecoder(QByteArrayView bytes)
{
    if (startsWith(bytes, {0xEF, 0xBB, 0xBF}) && isValidUtf8(bytes.sliced(3))) {
        m_format.byteOrderMark = true;
        m_rest = bytes.sliced(3);
    } else if (startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF})) {
        m_format.encoding = bytes[0] == '\xFF' ? kUtf16LE : kUtf16BE;
        m_format.byteOrderMark = true;
        m_rest = bytes.sliced(2);
        m_unit = 2;
    } else if (isValidUtf8(bytes)) {
        m_rest = bytes;
    } else {
        // A UTF-8 mark before bytes that are not UTF-8 is read as the three characters it is.
        m_format.encoding = kWindows1252;
        m_rest = bytes;
    }
}

TextDecoder::TextDecoder(const TextFileFormat &format)
    : m_format(format)
    , m_unit(format.encoding == kUtf16LE || format.encoding == kUtf16BE ? 2 : 1)
{
}

QString TextDecoder::decode(QByteArrayView bytes, bool last, qsizetype *used)
{
    m_rest = bytes;
    QString text;
    // A piece is cut short of the end, on a boundary, unless it is shorter than any cut makes.
    if (last)
        text = next(bytes.size());
    else if (bytes.size() > 16 + m_unit)
        text = next(bytes.size() - m_unit);
    *used = bytes.size() - m_rest.size();
    m_rest = {};
    return text;
}

TextFileFormat TextDecoder::format() const
{
    TextFileFormat format = m_format;
    format.lineEnding = m_firstEnding.value_or(LineEnding::LF);
    return format;
}

qsizetype TextDecoder::pieceLength(qsizetype maxBytes) const
{
    const qsizetype size = m_rest.size();
    qsizetype end = std::min(size, std::max(maxBytes, qsizetype(16)));
    if (end == size)
        return end;
    end -= end % m_unit;
    const auto byteAt = [&](qsizetype i) { return static_cast<unsigned char>(m_rest[i]); };
    if (m_format.encoding == kUtf8) {
        while ((byteAt(end) & 0xC0) == 0x80)  // never inside a character
            --end;
    }
    // Nor between the CR and LF of one line break.
    const auto unitAt = [&](qsizetype i) {
        if (m_unit == 1)
            return char16_t(byteAt(i));
        const bool big = m_format.encoding == kUtf16BE;
        return char16_t(big ? byteAt(i) << 8 | byteAt(i + 1) : byteAt(i + 1) << 8 | byteAt(i));
    };
    if (end + m_unit <= size && unitAt(end - m_unit) == u'\r' && unitAt(end) == u'\n')
        end += m_unit;
    return end;
}

QString TextDecoder::next(qsizetype maxBytes)
{
    const qsizetype length = pieceLength(maxBytes);
    const QByteArrayView piece = m_rest.first(length);
    m_rest = m_rest.sliced(length);
    QString text;
    if (m_format.encoding == kUtf8) {
        // QString::fromUtf8 drops a mark at the start, but past the file's own mark it is text:
        // a second mark, or a zero-width no-break space that a piece happens to begin with.
        QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
        text = utf8.decode(piece);
    }
    else if (m_format.encoding == kWindows1252)
        text = decodeWindows1252(piece);
    else
        text = decodeUtf16(piece, m_format.encoding == kUtf16BE);
    unifyLineBreaks(text, m_firstEnding);
    return text;
}

qsizetype FormatSniffer::add(QByteArrayView bytes, bool last)
{
    if (!m_started) {
        if (bytes.size() < 3 && !last)
            return 0;
        m_started = true;
        m_utf16 = startsWith(bytes, {0xFF, 0xFE}) || startsWith(bytes, {0xFE, 0xFF});
        m_bigEndian = startsWith(bytes, {0xFE, 0xFF});
        m_utf8Mark = startsWith(bytes, {0xEF, 0xBB, 0xBF});
    }
    const qsizetype used = last ? bytes.size() : bytes.size() - incompleteUtf8Tail(bytes);
    m_valid = m_valid && isValidUtf8(bytes.first(used));
    return used;
}

TextFileFormat FormatSniffer::format() const
{
    TextFileFormat format;
    if (m_utf16) {
        format.encoding = m_bigEndian ? kUtf16BE : kUtf16LE;
        format.byteOrderMark = true;
    } else if (m_valid) {
        format.byteOrderMark = m_utf8Mark;
    } else {
        format.encoding = kWindows1252;
    }
    return format;
}

qsizetype FormatSniffer::markLength() const
{
    const TextFileFormat settledFormat = format();
    if (!settledFormat.byteOrderMark)
        return 0;
    return m_utf16 ? 2 : 3;
}

DecodedText decodeText(QByteArrayView bytes)
{
    TextDecoder decoder(bytes);
    DecodedText result;
    result.text = decoder.next(bytes.size());
    result.format = decoder.format();
    return result;
}

QByteArray encodeText(const QString &text, const TextFileFormat &format)
{
    const QString lines = withLineEnding(text, format.lineEnding);
    const QByteArray &name = format.encoding;
    if (name.compare(kUtf8, Qt::CaseInsensitive) == 0)
        return utf8(lines, format.byteOrderMark);
    if (name.compare(kUtf16LE, Qt::CaseInsensitive) == 0)
        return encodeUtf16(lines, false, format.byteOrderMark);
    if (name.compare(kUtf16BE, Qt::CaseInsensitive) == 0)
        return encodeUtf16(lines, true, format.byteOrderMark);
    if (name.compare(kWindows1252, Qt::CaseInsensitive) == 0) {
        if (std::optional<QByteArray> bytes = encodeWindows1252(lines))
            return *bytes;
        return utf8(lines, false);
    }
    QStringEncoder encoder(name.constData(),
                           format.byteOrderMark ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    if (encoder.isValid()) {
        QByteArray bytes = encoder.encode(lines);
        if (!encoder.hasError())
            return bytes;
    }
    return utf8(lines, false);
}

TextEncoder::TextEncoder(const TextFileFormat &format, qsizetype expectedUnits)
    : m_format(format)
{
    const auto is = [&](const QByteArray &name) { return format.encoding.compare(name, Qt::CaseInsensitive) == 0; };
    m_writing = is(kUtf8)          ? Writing::Utf8
                : is(kUtf16LE)     ? Writing::Utf16LE
                : is(kUtf16BE)     ? Writing::Utf16BE
                : is(kWindows1252) ? Writing::Windows1252
                                   : Writing::Whole;
    if (m_writing == Writing::Whole)
        return;
    const bool utf16 = m_writing == Writing::Utf16LE || m_writing == Writing::Utf16BE;
    m_bytes.reserve((expectedUnits + expectedUnits / 8) * (utf16 ? 2 : 1) + 3);
    if (m_writing == Writing::Utf8 && format.byteOrderMark)
        m_bytes = "\xEF\xBB\xBF";
    else if (utf16 && format.byteOrderMark)
        m_bytes = encodeUtf16(QStringView(), m_writing == Writing::Utf16BE, true);
}

void TextEncoder::add(QStringView piece)
{
    if (m_writing == Writing::Whole) {
        m_text += piece;
        return;
    }
    // Breaks are whole within a piece ('\n' is one unit), so each piece takes its style alone.
    QString styled;
    if (m_format.lineEnding != LineEnding::LF) {
        styled = withLineEnding(piece.toString(), m_format.lineEnding);
        piece = styled;
    }
    if (m_writing == Writing::Windows1252) {
        if (std::optional<QByteArray> bytes = encodeWindows1252(piece)) {
            m_bytes += *bytes;
            return;
        }
        // What is written so far comes back as it was read, and is written again as UTF-8.
        m_bytes = decodeWindows1252(m_bytes).toUtf8();
        m_writing = Writing::Utf8;
    }
    if (m_writing == Writing::Utf8) {
        m_bytes += m_utf8.encode(piece);
        m_partedPair = !piece.isEmpty() && piece.back().isHighSurrogate();
    } else {
        m_bytes += encodeUtf16(piece, m_writing == Writing::Utf16BE, false);
    }
}

void TextEncoder::add(QLatin1StringView piece)
{
    if (m_writing == Writing::Whole) {
        m_text += piece;
        return;
    }
    // Only UTF-8 is written straight from 8 bits; nor then while half a pair waits in the
    // encoder, which must be written, as whatever it makes, before what follows.
    if (m_writing != Writing::Utf8 || m_partedPair) {
        add(QStringView(QString(piece)));
        return;
    }
    const bool lf = m_format.lineEnding == LineEnding::LF;
    const qsizetype at = m_bytes.size();
    m_bytes.resize(at + 2 * piece.size());  // no byte becomes more than two
    char *out = m_bytes.data() + at;
    const auto *p = reinterpret_cast<const uchar *>(piece.data());
    const auto *const end = p + piece.size();
    while (p < end) {
        // ASCII is UTF-8 as it stands: eight bytes at a time when no break needs a new style.
        for (std::uint64_t block; lf && end - p >= 8; p += 8, out += 8) {
            std::memcpy(&block, p, 8);
            if (block & 0x8080808080808080u)
                break;
            std::memcpy(out, p, 8);
        }
        if (p == end)
            break;
        const uchar c = *p++;
        if (c >= 0x80) {
            *out++ = char(0xC0 | c >> 6);
            *out++ = char(0x80 | (c & 0x3F));
        } else if (c == '\n' && m_format.lineEnding == LineEnding::CRLF) {
            *out++ = '\r';
            *out++ = '\n';
        } else {
            *out++ = c == '\n' && m_format.lineEnding == LineEnding::CR ? '\r' : char(c);
        }
    }
    m_bytes.truncate(out - m_bytes.constData());
}

QByteArray TextEncoder::finish()
{
    if (m_writing == Writing::Whole)
        return encodeText(m_text, m_format);
    // Half a pair at the very end is written as what it stands for: a character unknown.
    if (m_writing == Writing::Utf8 && m_partedPair)
        m_bytes += "\xEF\xBF\xBD";
    return std::move(m_bytes);
}
