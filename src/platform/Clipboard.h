#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The system clipboard as the Edit menu sees it: plain text, or Rich Text Format with the same
// text beside it for programs that take no RTF. Other programs offer RTF under several names;
// the first one present wins.
namespace clipboard {

// Each replaces whatever the clipboard held.
void setRtf(const QByteArray &rtf, const QString &text);  // "text/rtf" and text/plain
void setPlainText(const QString &text);  // text/plain; CR LF breaks are written as LF

// The RTF types in the order Paste prefers them.
const QList<QString> &rtfMimeTypes();
// The clipboard's RTF data under each offered RTF type, in that order.
QList<QByteArray> rtfCandidates();
std::optional<QString> plainText();
// Whether Paste has something it can use.
bool hasPasteableData();

} // namespace clipboard
