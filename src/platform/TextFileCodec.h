#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Plain-text files: bytes to text and back, remembering what the file looked like
// (encoding, byte-order mark, line-ending style) so that a save writes it back the same way.
enum class LineEnding { CRLF, LF, CR };

struct TextFileFormat {
    QByteArray encoding = "UTF-8";  // a name QStringDecoder/QStringEncoder knows
    bool byteOrderMark = false;
    LineEnding lineEnding = LineEnding::LF;
    bool operator==(const TextFileFormat &) const = default;
};

struct DecodedText {
    QString text;  // line breaks as '\n'
    TextFileFormat format;
};

DecodedText decodeText(QByteArrayView bytes);
// text has its line breaks as '\n'; they are written in the format's style.
QByteArray encodeText(const QString &text, const TextFileFormat &format);
