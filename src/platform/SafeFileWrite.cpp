#include "platform/SafeFileWrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

// The kernel's own limit: a longer chain of links is taken for a loop.
constexpr int kMaxLinkDepth = 40;

bool fail(QString *error, const QString &text)
{
    if (error)
        *error = text;
    return false;
}

bool failWith(QString *error, const QString &path, int errorNumber)
{
    return fail(error, QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), qt_error_string(errorNumber)));
}

// The file a chain of symbolic links ends at, which need not exist yet; empty for a loop.
QString finalTarget(const QString &path)
{
    QFileInfo info(path);
    for (int depth = 0; info.isSymLink(); ++depth) {
        if (depth == kMaxLinkDepth)
            return QString();
        info.setFile(info.symLinkTarget());
    }
    return info.filePath();
}

bool mayWrite(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

// Owner and group where this process may set them (others' files only as root; elsewhere
// the call fails harmlessly); ownership goes first because changing it clears the
// set-user and set-group bits the mode brings back. 0 or the errno of a real failure.
int keepOwnerAndMode(int fd, const struct stat &old)
{
    const auto refused = [] { return errno == EPERM || errno == EINVAL || errno == EOPNOTSUPP; };
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && !refused())
        return errno;
    if (::fchmod(fd, old.st_mode & 07777) != 0 && !refused())
        return errno;
    return 0;
}

// Makes sure a file can grow from oldSize to newSize before any of its bytes are overwritten.
bool roomToGrow(int fd, const QString &path, qint64 oldSize, qint64 newSize, QString *error)
{
    if (newSize <= oldSize)
        return true;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && rlim_t(newSize) > limit.rlim_cur)
        return fail(error, QStringLiteral("%1 cannot grow to %2 bytes: files may have at most %3 bytes here.")
                               .arg(QDir::toNativeSeparators(path))
                               .arg(newSize)
                               .arg(qulonglong(limit.rlim_cur)));
    struct statvfs disk{};
    if (::fstatvfs(fd, &disk) == 0) {
        const qint64 block = qMax<qint64>(disk.f_frsize, 1);
        const qint64 needed = (newSize + block - 1) / block - (oldSize + block - 1) / block;
        if (qint64(disk.f_bavail) < needed)
            return fail(error, QStringLiteral("Not enough free space to save %1: %2 more bytes are needed, %3 are free.")
                                   .arg(QDir::toNativeSeparators(path))
                                   .arg(needed * block)
                                   .arg(qint64(disk.f_bavail) * block));
    }
    // The free-space figure knows nothing of quotas or of other writers; reserving the blocks does.
    const int reserved = ::posix_fallocate(fd, oldSize, newSize - oldSize);
    if (reserved == 0 || reserved == EOPNOTSUPP || reserved == EINVAL)
        return true;
    if (::ftruncate(fd, oldSize) != 0)
        return failWith(error, path, errno);
    return failWith(error, path, reserved);
}

bool overwrite(int fd, const QString &path, QByteArrayView bytes, QString *error)
{
    struct stat now{};
    if (::fstat(fd, &now) != 0)
        return failWith(error, path, errno);
    if (!roomToGrow(fd, path, now.st_size, bytes.size(), error))
        return false;
    // Written over the old bytes and cut to length after: truncating first would give back
    // the blocks just reserved.
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t count = ::pwrite(fd, bytes.data() + done, size_t(bytes.size() - done), done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return failWith(error, path, count < 0 ? errno : EIO);
        done += count;
    }
    if (::ftruncate(fd, bytes.size()) != 0 || ::fsync(fd) != 0)
        return failWith(error, path, errno);
    return true;
}

// In place, so that every hard link to the file sees the new content.
bool writeInPlace(const QString &path, QByteArrayView bytes, QString *error)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return failWith(error, path, errno);
    const bool written = overwrite(fd, path, bytes, error);
    if (::close(fd) != 0 && written)
        return failWith(error, path, errno);
    return written;
}

// A rename is on disk only once the folder holding it is.
void syncFolder(const QString &path)
{
    const int fd = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                          O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

bool writeFileSafely(const QString &path, QByteArrayView bytes, QString *error)
{
    const QString target = finalTarget(path);
    if (target.isEmpty())
        return failWith(error, path, ELOOP);
    struct stat old{};
    const bool exists = ::stat(QFile::encodeName(target).constData(), &old) == 0;
    const bool regular = exists && S_ISREG(old.st_mode);
    if (regular && old.st_nlink > 1)
        return writeInPlace(target, bytes, error);

    QSaveFile file(target);
    if (!file.open(QIODevice::WriteOnly)) {
        if (regular && !mayWrite(QFileInfo(target).absolutePath()) && mayWrite(target))
            return writeInPlace(target, bytes, error);
        return fail(error, file.errorString());
    }
    if (file.write(bytes.data(), bytes.size()) != bytes.size() || !file.flush())
        return fail(error, file.errorString());
    if (const int refused = exists ? keepOwnerAndMode(file.handle(), old) : 0)
        return failWith(error, target, refused);
    if (::fsync(file.handle()) != 0)
        return failWith(error, target, errno);
    if (!file.commit())
        return fail(error, file.errorString());
    syncFolder(target);
    return true;
}
