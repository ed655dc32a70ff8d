#pragma once

#include <QByteArrayView>
#include <QString>

// Writes bytes as the whole content of path, the one way every document and selection save
// goes. A symbolic link stays a link and its final target gets the content. Normally the file
// is replaced at once (a failure leaves the old one whole), keeping its permissions and, where
// the process may set them, its owner and group. A file with other hard links, or one whose
// folder allows no new file beside it, is overwritten where it is instead, and only once the
// new content is known to fit. False, with the reason in error, whenever the bytes did not all
// reach the disk.
bool writeFileSafely(const QString &path, QByteArrayView bytes, QString *error = nullptr);
