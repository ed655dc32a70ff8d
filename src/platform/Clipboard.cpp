#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace clipboard {

namespace {

const QMimeData *current()
{
    return QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
}

} // namespace

const QList<QString> &rtfMimeTypes()
{
    static const QList<QString> types{QStringLiteral("text/rtf"), QStringLiteral("text/richtext"),
                                      QStringLiteral("application/rtf")};
    return types;
}

namespace {

// Programs on this platform end lines with LF; a CR left in would show in them as junk. A
// picture's placeholder character is no text to them either.
QString platformText(const QString &text)
{
    QString lines = text;
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    lines.remove(QChar::ObjectReplacementCharacter);
    return lines;
}

} // namespace

void setRtf(const QByteArray &rtf, const QString &text)
{
    auto *data = new QMimeData;
    data->setData(rtfMimeTypes().front(), rtf);
    data->setText(platformText(text));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

void setPlainText(const QString &text)
{
    auto *data = new QMimeData;
    data->setText(platformText(text));
    QGuiApplication::clipboard()->setMimeData(data, QClipboard::Clipboard);
}

QList<QByteArray> rtfCandidates()
{
    QList<QByteArray> found;
    const QMimeData *data = current();
    if (!data)
        return found;
    for (const QString &type : rtfMimeTypes()) {
        // An empty offer is no rich text: written as RTF it would only delete the selection.
        const QByteArray rtf = data->hasFormat(type) ? data->data(type) : QByteArray();
        if (!rtf.isEmpty())
            found << rtf;
    }
    return found;
}

std::optional<QString> plainText()
{
    const QMimeData *data = current();
    if (!data || !data->hasText())
        return std::nullopt;
    return data->text();
}

bool hasPasteableData()
{
    const QMimeData *data = current();
    if (!data)
        return false;
    if (data->hasText())
        return true;
    for (const QString &type : rtfMimeTypes()) {
        if (data->hasFormat(type))
            return true;
    }
    return false;
}

} // namespace clipboard
