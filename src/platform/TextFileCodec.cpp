#include "platform/TextFileCodec.h"

namespace {

LineEnding firstLineEnding(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\n')
            return LineEnding::LF;
        if (text[i] == u'\r')
            return i + 1 < text.size() && text[i + 1] == u'\n' ? LineEnding::CRLF : LineEnding::CR;
    }
    return LineEnding::LF;
}

QString unifyLineBreaks(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

DecodedText decodeText(QByteArrayView bytes)
{
    DecodedText result;
    QString text = QString::fromUtf8(bytes);
    result.format.lineEnding = firstLineEnding(text);
    result.text = unifyLineBreaks(std::move(text));
    return result;
}

QByteArray encodeText(const QString &text, const TextFileFormat &format)
{
    QString out = text;
    if (format.lineEnding == LineEnding::CRLF)
        out.replace(u'\n', QLatin1String("\r\n"));
    else if (format.lineEnding == LineEnding::CR)
        out.replace(u'\n', u'\r');
    return out.toUtf8();
}
