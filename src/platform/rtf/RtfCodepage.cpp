#include "RtfCodepage.h"

#include <array>
#include <memory>

namespace rtf::detail {

namespace {

// 0x80..0x9F of 1252; the five holes map to the C1 controls, as Windows does.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// ICU's names for the code pages whose plain "windows-N" / "cpN" spelling it does not know.
QByteArray icuName(int codepage)
{
    switch (codepage) {
    case 932: return "windows-31j";
    case 936: return "windows-936";
    case 949: return "windows-949";
    case 950: return "windows-950";
    case 10000: return "macintosh";
    case 10006: return "x-mac-greek";
    case 10007: return "x-mac-cyrillic";
    case 10029: return "x-mac-ce";
    case 10081: return "x-mac-turkish";
    case 20127: return "us-ascii";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 54936: return "gb18030";
    case 65001: return "UTF-8";
    default: break;
    }
    if (codepage >= 28591 && codepage <= 28605)
        return "ISO-8859-" + QByteArray::number(codepage - 28590);
    if (codepage < 1000)
        return "cp" + QByteArray::number(codepage);
    return "windows-" + QByteArray::number(codepage);
}

std::shared_ptr<QStringDecoder> makeDecoder(int codepage)
{
    if (codepage <= 0 || codepage > 65535)
        return nullptr;
    auto decoder = std::make_shared<QStringDecoder>(icuName(codepage).constData(),
                                                    QStringConverter::Flag::Stateless);
    if (!decoder->isValid())
        return nullptr;
    // RTF itself is ASCII: a code page that reads its letters as others (EBCDIC, UTF-16) can be
    // no document's, and its font names and text would come out as garbage.
    static constexpr char kProbe[] = " 09;AZaz{}";
    if (QString(decoder->decode(QByteArrayView(kProbe))) != QLatin1StringView(kProbe))
        return nullptr;
    return decoder;
}

} // namespace

int codepageForCharset(int charset, int documentCodepage)
{
    switch (charset) {
    case 0: return 1252;
    case 2: return 1252; // Symbol fonts: the byte is the glyph; 1252 keeps · and the like readable
    case 77: return 10000;
    case 78: return 932; // Mac charsets of the CJK scripts are the Windows ones for text purposes
    case 79: return 949;
    case 80: return 936;
    case 81: return 950;
    case 85: return 10006;
    case 88: return 10029;
    case 89: return 10007;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    case 255: return 850;
    default: return documentCodepage;
    }
}

ByteDecoder::ByteDecoder() = default;
ByteDecoder::~ByteDecoder() = default;

QStringDecoder *ByteDecoder::decoderFor(int codepage)
{
    auto it = m_decoders.constFind(codepage);
    if (it == m_decoders.constEnd())
        it = m_decoders.insert(codepage, makeDecoder(codepage));
    return it->get();
}

bool ByteDecoder::supports(int codepage)
{
    return codepage == 1252 || decoderFor(codepage) != nullptr;
}

void ByteDecoder::decodeAppend(int codepage, QByteArrayView bytes, QString &out)
{
    if (codepage != 1252) {
        if (QStringDecoder *decoder = decoderFor(codepage)) {
            out.append(decoder->decode(bytes));
            return;
        }
    }
    // 1252 is most of what arrives and the fallback for the rest, so it skips ICU.
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    char16_t *dst = reinterpret_cast<char16_t *>(out.data()) + start;
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *dst++ = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : char16_t(b);
    }
}

} // namespace rtf::detail
