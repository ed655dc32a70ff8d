#include "files/DiskSnapshot.h"

#include <QFile>

#include <sys/stat.h>

DiskSnapshot DiskSnapshot::of(const QString &path)
{
    struct stat info{};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    DiskSnapshot snapshot;
    snapshot.exists = true;
    snapshot.size = info.st_size;
    snapshot.modifiedNs = qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
    snapshot.inode = info.st_ino;
    snapshot.device = info.st_dev;
    return snapshot;
}
