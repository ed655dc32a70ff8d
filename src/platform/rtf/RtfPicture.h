#pragma once

// Pictures inside RTF groups (\pict, and the \shppict, \object and \shp groups that wrap them).

#include <QByteArray>
#include <QByteArrayView>
#include <QImage>

namespace rtf {

struct PictureInfo
{
    QByteArray format;  // "png", "jpeg", "bmp" (a DIB made whole), "emf", "wmf", "pict", "" unknown
    QByteArray data;    // the picture's bytes, hex decoded
    int widthTwips = 0; // shown size, goal and scale applied; 0 when the group gives none
    int heightTwips = 0;
};

// The first picture in groups that Qt can draw, else the first picture; nullopt-like empty info
// (no format, no size) when there is none. withData=false leaves data empty and is cheap.
PictureInfo findPicture(QByteArrayView rtf, bool withData);

// The picture drawn, or a null image where Qt has no reader for its format.
QImage decodePicture(const PictureInfo &picture);

namespace detail {

inline bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
inline bool isDigit(char c) { return c >= '0' && c <= '9'; }

inline int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace detail

// Where the group opening at open ('{') closes: the matching '}', or end when it never does.
// Escaped braces and \bin data do not count; depth is how many groups were left open at end.
const char *groupEnd(const char *open, const char *end, int *openAtEnd = nullptr);

} // namespace rtf
