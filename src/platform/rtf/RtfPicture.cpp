#include "RtfPicture.h"

#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace rtf {

namespace {

using detail::hexValue;
using detail::isDigit;
using detail::isLetter;

struct Word
{
    std::string_view name;
    bool hasParam = false;
    long long param = 0;
    const char *next = nullptr; // after the word and its delimiter
};

// p points after a backslash at a letter.
Word readWord(const char *p, const char *end)
{
    Word w;
    const char *name = p;
    while (p < end && isLetter(*p))
        ++p;
    w.name = std::string_view(name, size_t(p - name));
    bool negative = false;
    if (p + 1 < end && *p == '-' && isDigit(p[1])) {
        negative = true;
        ++p;
    }
    while (p < end && isDigit(*p)) {
        w.hasParam = true;
        if (w.param < INT_MAX)
            w.param = w.param * 10 + (*p - '0');
        ++p;
    }
    w.param = std::min<long long>(w.param, INT_MAX);
    if (negative)
        w.param = -w.param;
    if (p < end && *p == ' ')
        ++p;
    w.next = p;
    return w;
}

const char *skipBin(const Word &w, const char *end)
{
    if (w.name == "bin" && w.hasParam && w.param > 0)
        return w.next + std::min<qsizetype>(w.param, end - w.next);
    return w.next;
}

int twipsOf(long long value) { return int(std::clamp<long long>(value, 0, 31680 * 20)); }

bool drawable(const QByteArray &format)
{
    return format == "png" || format == "jpeg" || format == "bmp";
}

// Reads the \pict group that opens at open.
PictureInfo readPict(const char *open, const char *end, bool withData)
{
    PictureInfo info;
    long long picw = 0, pich = 0, goalw = 0, goalh = 0, scalex = 100, scaley = 100;
    int depth = 0;
    bool metafile = false;
    const char *p = open;
    unsigned char pending = 0;
    bool half = false;
    while (p < end) {
        const char c = *p;
        if (c == '{') {
            ++depth;
            ++p;
        } else if (c == '}') {
            if (--depth == 0)
                break;
            ++p;
        } else if (c == '\\') {
            ++p;
            if (p < end && isLetter(*p)) {
                const Word w = readWord(p, end);
                if (depth == 1) {
                    const std::string_view n = w.name;
                    if (n == "pngblip") info.format = "png";
                    else if (n == "jpegblip") info.format = "jpeg";
                    else if (n == "emfblip") { info.format = "emf"; metafile = true; }
                    else if (n == "wmetafile") { info.format = "wmf"; metafile = true; }
                    else if (n == "macpict") info.format = "pict";
                    else if (n == "dibitmap") info.format = "bmp";
                    else if (n == "picw") picw = w.param;
                    else if (n == "pich") pich = w.param;
                    else if (n == "picwgoal") goalw = w.param;
                    else if (n == "pichgoal") goalh = w.param;
                    else if (n == "picscalex" && w.param > 0) scalex = w.param;
                    else if (n == "picscaley" && w.param > 0) scaley = w.param;
                    else if (n == "bin" && withData && w.hasParam && w.param > 0)
                        info.data.append(w.next, std::min<qsizetype>(w.param, end - w.next));
                }
                p = skipBin(w, end);
            } else if (p < end) {
                ++p; // a symbol or an escaped character
            }
        } else {
            if (depth == 1 && withData) {
                const int v = hexValue(c);
                if (v >= 0) {
                    if (half)
                        info.data.append(char(pending << 4 | v));
                    else
                        pending = static_cast<unsigned char>(v);
                    half = !half;
                }
            }
            ++p;
        }
    }
    // Bitmaps give their size in pixels, metafiles in hundredths of a millimetre.
    const auto natural = [metafile](long long v) {
        return metafile ? v * 1440 / 2540 : v * 15;
    };
    const long long w = goalw > 0 ? goalw : natural(picw);
    const long long h = goalh > 0 ? goalh : natural(pich);
    info.widthTwips = twipsOf(w * scalex / 100);
    info.heightTwips = twipsOf(h * scaley / 100);
    return info;
}

// A DIB is a BMP file without its 14-byte file header.
QByteArray bmpFromDib(const QByteArray &dib)
{
    if (dib.size() < 40)
        return {};
    const auto *d = reinterpret_cast<const uchar *>(dib.constData());
    const quint32 headerSize = qFromLittleEndian<quint32>(d);
    if (headerSize < 12 || headerSize > quint32(dib.size()))
        return {};
    quint32 colours = 0;
    quint32 masks = 0;
    if (headerSize >= 40) {
        const quint16 bits = qFromLittleEndian<quint16>(d + 14);
        const quint32 compression = qFromLittleEndian<quint32>(d + 16);
        colours = qFromLittleEndian<quint32>(d + 32);
        if (colours == 0 && bits <= 8)
            colours = 1u << bits;
        if (compression == 3 && headerSize == 40)
            masks = 12;
    }
    const quint32 offset = 14 + headerSize + std::min<quint32>(colours, 256) * 4 + masks;
    QByteArray bmp(14, '\0');
    bmp[0] = 'B';
    bmp[1] = 'M';
    qToLittleEndian<quint32>(quint32(14 + dib.size()), bmp.data() + 2);
    qToLittleEndian<quint32>(offset, bmp.data() + 10);
    return bmp + dib;
}

} // namespace

const char *groupEnd(const char *open, const char *end, int *openAtEnd)
{
    int depth = 0;
    const char *p = open;
    while (p < end) {
        const char c = *p;
        if (c == '{') {
            ++depth;
            ++p;
        } else if (c == '}') {
            if (--depth == 0) {
                if (openAtEnd)
                    *openAtEnd = 0;
                return p;
            }
            ++p;
        } else if (c == '\\') {
            ++p;
            if (p < end && isLetter(*p))
                p = skipBin(readWord(p, end), end);
            else if (p < end)
                ++p;
        } else {
            // Text between the structure: jump to the next character that matters.
            const char *stop = p + 1;
            while (stop < end && *stop != '{' && *stop != '}' && *stop != '\\')
                ++stop;
            p = stop;
        }
    }
    if (openAtEnd)
        *openAtEnd = depth;
    return end;
}

PictureInfo findPicture(QByteArrayView rtf, bool withData)
{
    const char *const begin = rtf.data();
    const char *const end = begin + rtf.size();
    PictureInfo first;
    bool haveFirst = false;
    const std::string_view text(begin, size_t(rtf.size()));
    for (size_t at = text.find("\\pict"); at != std::string_view::npos; at = text.find("\\pict", at + 5)) {
        const size_t after = at + 5;
        if (after < text.size() && isLetter(text[after]))
            continue; // \pictsomething
        size_t open = at;
        while (open > 0 && (text[open - 1] == ' ' || text[open - 1] == '\r' || text[open - 1] == '\n'))
            --open;
        if (open == 0 || text[open - 1] != '{')
            continue;
        PictureInfo info = readPict(begin + open - 1, end, withData);
        if (drawable(info.format))
            return info;
        if (!haveFirst) {
            first = std::move(info);
            haveFirst = true;
        }
    }
    return first;
}

QImage decodePicture(const PictureInfo &picture)
{
    if (picture.format == "png")
        return QImage::fromData(picture.data, "PNG");
    if (picture.format == "jpeg")
        return QImage::fromData(picture.data, "JPEG");
    if (picture.format == "bmp")
        return QImage::fromData(bmpFromDib(picture.data), "BMP");
    return {};
}

} // namespace rtf
