#include "platform/SafeFileWrite.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTest>

#include <functional>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
// What a child process exits with when it could not set up what the check needs.
constexpr int kCannot = 77;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

struct stat statOf(const QString &path)
{
    struct stat info{};
    ::lstat(native(path).constData(), &info);
    return info;
}

mode_t modeOf(const QString &path)
{
    return statOf(path).st_mode & 07777;
}

// Runs body in a child process: its exit code, or -1 when it did not exit normally.
int inChild(const std::function<int()> &body)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool becomeNobody()
{
    return ::setgroups(0, nullptr) == 0 && ::setresgid(kNobody, kNobody, kNobody) == 0
        && ::setresuid(kNobody, kNobody, kNobody) == 0;
}

} // namespace

class TestSafeFileWrite : public QObject
{
    Q_OBJECT

private slots:
    // A normal save replaces the file, which keeps its mode (set-group bit included) and, when
    // root saves another user's file, its owner; a new file gets the usual mode.
    void replacedFileKeepsModeAndOwner()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFileBytes(path, "old"));
        for (const mode_t mode : {mode_t(0640), mode_t(0604), mode_t(02750)}) {
            QCOMPARE(::chmod(native(path).constData(), mode), 0);
            const ino_t before = statOf(path).st_ino;
            QVERIFY(writeFileSafely(path, "new " + QByteArray::number(mode, 8)));
            QCOMPARE(readFileBytes(path), "new " + QByteArray::number(mode, 8));
            QCOMPARE(modeOf(path), mode);
            QVERIFY(statOf(path).st_ino != before);
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        const QString fresh = dir.filePath(QStringLiteral("new.txt"));
        QVERIFY(writeFileSafely(fresh, "fresh"));
        QCOMPARE(modeOf(fresh), mode_t(0666 & ~mask));

        if (::geteuid() != 0)
            QSKIP("Only root can save another user's file and keep it theirs; this run is not root.");
        QCOMPARE(::chown(native(path).constData(), kNobody, kNobody), 0);
        QCOMPARE(::chmod(native(path).constData(), 0640), 0);
        QVERIFY(writeFileSafely(path, "saved by root"));
        QCOMPARE(readFileBytes(path), "saved by root");
        QCOMPARE(statOf(path).st_uid, kNobody);
        QCOMPARE(statOf(path).st_gid, gid_t(kNobody));
        QCOMPARE(modeOf(path), mode_t(0640));
    }

    // Every link to a hard-linked file sees the new content; content that would not fit is
    // refused before the file is touched.
    void hardLinkedFileIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        const QString other = dir.filePath(QStringLiteral("b.txt"));
        QVERIFY(writeFileBytes(path, "old text"));
        QCOMPARE(::link(native(path).constData(), native(other).constData()), 0);
        const ino_t inode = statOf(path).st_ino;
        QVERIFY(writeFileSafely(path, "longer new text"));
        QCOMPARE(readFileBytes(other), "longer new text");
        QVERIFY(writeFileSafely(other, "short"));
        QCOMPARE(readFileBytes(path), "short");
        QCOMPARE(statOf(path).st_ino, inode);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), (QStringList{"a.txt", "b.txt"}));

        {
            FileSizeLimit limit(64);
            QVERIFY(limit.active());
            QString error;
            QVERIFY(!writeFileSafely(path, QByteArray(100, 'x'), &error));
            QVERIFY2(error.contains(QStringLiteral("at most 64 bytes")), qPrintable(error));
        }
        QCOMPARE(readFileBytes(other), "short");

        // A full disk: a 64 KiB file system, mounted where only a child process sees it.
        const QString disk = dir.filePath(QStringLiteral("disk"));
        QVERIFY(QDir().mkdir(disk));
        const QByteArray old(16 * 1024, 'o');
        const int full = inChild([&] {
            if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
                || ::mount("tmpfs", native(disk).constData(), "tmpfs", 0, "size=64k") != 0)
                return kCannot;
            const QString linked = disk + QStringLiteral("/a.txt");
            const QString second = disk + QStringLiteral("/b.txt");
            if (!writeFileBytes(linked, old) || ::link(native(linked).constData(), native(second).constData()) != 0
                || !writeFileBytes(disk + QStringLiteral("/filler"), QByteArray(40 * 1024, 'f')))
                return kCannot;
            QString error;
            if (writeFileSafely(linked, QByteArray(32 * 1024, 'n'), &error))
                return 1;
            return error.contains(QStringLiteral("free space")) && readFileBytes(second) == old ? 0 : 2;
        });
        if (full == kCannot)
            QSKIP("Filling a disk needs a small file system in a mount namespace of its own, which this run "
                  "may not make (not root, or no CAP_SYS_ADMIN).");
        QCOMPARE(full, 0);
    }

    // The link stays a link, through a chain, and to a file not there yet; a loop is refused.
    void symbolicLinkStaysALink()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("target.txt"));
        const QString link = dir.filePath(QStringLiteral("link"));
        const QString chain = dir.filePath(QStringLiteral("chain"));
        QVERIFY(writeFileBytes(target, "old"));
        QCOMPARE(::symlink("target.txt", native(link).constData()), 0);
        QCOMPARE(::symlink("link", native(chain).constData()), 0);
        QVERIFY(writeFileSafely(chain, "through two links"));
        QCOMPARE(readFileBytes(target), "through two links");
        QVERIFY(QFileInfo(link).isSymLink() && QFileInfo(chain).isSymLink());
        QCOMPARE(QFileInfo(chain).symLinkTarget(), link);

        const QString dangling = dir.filePath(QStringLiteral("dangling"));
        QCOMPARE(::symlink("later.txt", native(dangling).constData()), 0);
        QVERIFY(writeFileSafely(dangling, "made"));
        QVERIFY(QFileInfo(dangling).isSymLink());
        QCOMPARE(readFileBytes(dir.filePath(QStringLiteral("later.txt"))), "made");

        const QString loop = dir.filePath(QStringLiteral("loop"));
        QCOMPARE(::symlink("loop2", native(loop).constData()), 0);
        QCOMPARE(::symlink("loop", native(dir.filePath(QStringLiteral("loop2"))).constData()), 0);
        QString error;
        QVERIFY(!writeFileSafely(loop, "nowhere", &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(QFileInfo(loop).isSymLink());
    }

    // A writable file in a folder that takes no new file is written where it is; a read-only
    // one is not written at all. Root may create files in any folder, so as root the writes
    // are made as nobody.
    void fileInReadOnlyFolderIsWrittenInPlace()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("locked"));
        const QString path = folder + QStringLiteral("/note.txt");
        QVERIFY(QDir().mkdir(folder));
        QVERIFY(writeFileBytes(path, "old"));
        const bool root = ::geteuid() == 0;
        if (root) {
            QCOMPARE(::chmod(native(dir.path()).constData(), 0755), 0);
            QCOMPARE(::chown(native(folder).constData(), kNobody, kNobody), 0);
            QCOMPARE(::chown(native(path).constData(), kNobody, kNobody), 0);
        }
        QCOMPARE(::chmod(native(folder).constData(), 0555), 0);
        const auto unlock = qScopeGuard([&] { ::chmod(native(folder).constData(), 0755); });
        const auto write = [&](const QByteArray &bytes) {
            return inChild([&] {
                if (root && !becomeNobody())
                    return kCannot;
                return writeFileSafely(path, bytes) ? 0 : 1;
            });
        };

        const ino_t inode = statOf(path).st_ino;
        const int written = write("new, longer text");
        if (written == kCannot)
            QSKIP("As root the write must be made as uid 65534 for the folder's mode to count, and "
                  "switching to that user was refused.");
        QCOMPARE(written, 0);
        QCOMPARE(readFileBytes(path), "new, longer text");
        QCOMPARE(statOf(path).st_ino, inode);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"note.txt"});

        QCOMPARE(::chmod(native(path).constData(), 0444), 0);
        QCOMPARE(write("lost"), 1);
        QCOMPARE(readFileBytes(path), "new, longer text");
    }
};

QTEST_GUILESS_MAIN(TestSafeFileWrite)
#include "tst_safefilewrite.moc"
