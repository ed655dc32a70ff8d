// libFuzzer target for the plain-text decoder. The input is a file's bytes. Reading it a piece at
// a time, as the editor does, must give what reading it whole gives; writing the text back in the
// format it was read in must read as the same text, and byte for byte as the file was when nothing
// in the file stood in the way (line breaks of two styles, half a UTF-16 character at the end).

#include "platform/TextFileCodec.h"

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "text codec broken: %s\n", what);
        std::abort();
    }
}

bool isUtf16(const TextFileFormat &format)
{
    return format.encoding.startsWith("UTF-16");
}

// Counted on the file's own code units, so that this does not lean on the decoder it checks.
bool writesBackExactly(QByteArrayView bytes, const TextFileFormat &format)
{
    const qsizetype unit = isUtf16(format) ? 2 : 1;
    const QByteArrayView body = bytes.sliced(!format.byteOrderMark ? 0 : unit == 2 ? 2 : 3);
    if (body.size() % unit)
        return false;
    const bool big = format.encoding == "UTF-16BE";
    const auto at = [&](qsizetype i) -> char16_t {
        const auto first = static_cast<unsigned char>(body[i]);
        if (unit == 1)
            return first;
        const auto second = static_cast<unsigned char>(body[i + 1]);
        return big ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
    };
    bool crlf = false, cr = false, lf = false;
    for (qsizetype i = 0; i < body.size(); i += unit) {
        if (at(i) == u'\n') {
            lf = true;
        } else if (at(i) == u'\r' && i + unit < body.size() && at(i + unit) == u'\n') {
            crlf = true;
            i += unit;
        } else if (at(i) == u'\r') {
            cr = true;
        }
    }
    return crlf + cr + lf <= 1;
}

bool hasUnpairedSurrogate(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedText whole = decodeText(bytes);
    check(!whole.text.contains(u'\r'), "a CR left in the text");

    // Small pieces of a size that varies with the input put piece ends everywhere in the file.
    for (const qsizetype pieceBytes : {qsizetype(16), qsizetype(17 + size % 29)}) {
        TextDecoder decoder(bytes);
        QString joined;
        while (!decoder.atEnd())
            joined += decoder.next(pieceBytes);
        check(joined == whole.text, "pieces do not join to the whole text");
        check(decoder.format() == whole.format, "pieces give another format");
    }

    const QByteArray written = encodeText(whole.text, whole.format);
    if (writesBackExactly(bytes, whole.format))
        check(written == bytes, "an unchanged file is not written back as it was");
    const DecodedText reread = decodeText(written);
    check(reread.text == whole.text, "the file written back reads as other text");
    check(reread.format == whole.format, "the file written back reads in another format");

    // Saved in a format with a mark, which says what the encoding is, any text reads back as it
    // was, in that format. UTF-8 cannot hold half a surrogate pair.
    const bool utf8Holds = !hasUnpairedSurrogate(whole.text);
    for (const char *encoding : {"UTF-8", "UTF-16LE", "UTF-16BE"}) {
        if (!utf8Holds && encoding[4] == '8')
            continue;
        for (const LineEnding ending : {LineEnding::CRLF, LineEnding::LF, LineEnding::CR}) {
            TextFileFormat format{encoding, true, ending};
            const DecodedText back = decodeText(encodeText(whole.text, format));
            check(back.text == whole.text, "text saved with a mark reads back as other text");
            if (!whole.text.contains(u'\n'))
                format.lineEnding = LineEnding::LF;
            check(back.format == format, "text saved with a mark reads back in another format");
        }
    }
    return 0;
}
