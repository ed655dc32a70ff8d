#pragma once

#include <QString>
#include <QtGlobal>

// What a file on disk was when the document last read or wrote it: enough to tell from one
// stat call, whatever the file's size, that another program has since rewritten, replaced
// or removed it.
struct DiskSnapshot {
    bool exists = false;
    qint64 size = -1;
    qint64 modifiedNs = 0;
    quint64 inode = 0;
    quint64 device = 0;

    static DiskSnapshot of(const QString &path);
    bool operator==(const DiskSnapshot &) const = default;
};
