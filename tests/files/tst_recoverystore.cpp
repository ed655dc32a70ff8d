#include "files/RecoveryStore.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

RecoveryCopy textCopy(const QString &text, const QString &file = QString())
{
    RecoveryCopy copy;
    copy.file = file;
    copy.text = text;
    copy.saved = QDateTime::currentDateTimeUtc();
    return copy;
}

// The two texts the writer of killDuringWriteLeavesAWholeCopy alternates between: large
// enough that a kill often lands inside a write.
QString version(int which)
{
    return QString(4 << 20, QLatin1Char(which ? 'b' : 'a'));
}

int writeUntilKilled(const QString &folder)
{
    RecoveryStore store(folder);
    for (int round = 0;; ++round) {
        store.save(textCopy(version(round % 2)));
        store.waitForWrites();
        if (round == 0) {
            std::fputs("written\n", stdout);
            std::fflush(stdout);
        }
    }
}

// A lock file as QLockFile writes it, but naming another process as its owner.
void writeLockOf(const QString &path, qint64 pid, const QByteArray &processName)
{
    QTemporaryDir scratch;
    QByteArray contents;
    {
        QLockFile own(scratch.filePath(QStringLiteral("own.lock")));
        QVERIFY(own.tryLock(0));
        contents = readFileBytes(scratch.filePath(QStringLiteral("own.lock")));
    }
    QList<QByteArray> lines = contents.split('\n');
    QVERIFY(lines.size() >= 3);
    lines[0] = QByteArray::number(pid);
    lines[1] = processName;
    QVERIFY(writeFileBytes(path, lines.join('\n')));
}

// A process id no process has any more.
qint64 deadPid()
{
    QProcess gone;
    gone.start(QStringLiteral("true"), {});
    gone.waitForStarted();
    const qint64 pid = gone.processId();
    gone.waitForFinished();
    return pid;
}

QString lockOf(const QString &copyPath)
{
    return copyPath.left(copyPath.lastIndexOf(u'.')) + QStringLiteral(".lock");
}

} // namespace

class TestRecoveryStore : public QObject
{
    Q_OBJECT

private slots:
    void writesAndReadsBack_data()
    {
        QTest::addColumn<RecoveryCopy>("copy");
        QTest::addColumn<QString>("text");  // what the copy's text reads back as
        RecoveryCopy rich;
        rich.file = QStringLiteral("/home/ann/My notes %20.rtf");
        rich.richText = true;
        rich.rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello {\\b bold}\\par}";
        rich.saved = QDateTime(QDate(2024, 5, 1), QTime(12, 30, 15, 250), Qt::UTC);
        QTest::newRow("rich text of a named file") << rich << QString();
        RecoveryCopy plain = textCopy(QStringLiteral("one\u2029two\u2028three\nü €"), QStringLiteral("/tmp/a\nb.txt"));
        plain.textFormat = {"windows-1252", false, LineEnding::CRLF};
        QTest::newRow("plain text with its file's form") << plain << QStringLiteral("one\ntwo\nthree\nü €");
        QTest::newRow("untitled, empty") << textCopy(QString()) << QString();
        // The text as a plain editor holds it, in 8-bit and wide buffers, taken as it stood:
        // typing after it changes the editor's text, not the copy's.
        TextBuffer editor(QStringLiteral("caf\u00e9\none\u2029"));
        editor.appendChunk(QStringLiteral("wide \u20ac\n"));
        editor.insert(4, QStringLiteral("!"));
        RecoveryCopy kept = textCopy(QString(), QStringLiteral("/tmp/kept.txt"));
        kept.buffer = std::make_shared<const TextBuffer>(editor.withoutHistory());
        editor.insert(0, QStringLiteral("later "));
        editor.remove(8, 3);
        QTest::newRow("plain text as the editor holds it")
            << kept << QStringLiteral("caf\u00e9!\none\u2029wide \u20ac\n");
    }

    void writesAndReadsBack()
    {
        QFETCH(RecoveryCopy, copy);
        QFETCH(QString, text);
        QTemporaryDir dir;
        RecoveryStore store(dir.filePath(QStringLiteral("Penwick")));
        QVERIFY(store.save(copy));
        store.waitForWrites();
        const QString path = store.copyPath();
        QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFile::Permissions());
        const std::optional<RecoveryCopy> back = parseRecoveryFile(readFileBytes(path));
        QVERIFY(back);
        QCOMPARE(back->file, copy.file);
        QCOMPARE(back->richText, copy.richText);
        QCOMPARE(back->textFormat, copy.textFormat);
        QCOMPARE(back->saved, copy.saved);
        QCOMPARE(back->rtf, copy.rtf);
        QCOMPARE(back->text, text);
    }

    // Anything but a whole copy reads as nothing: cut anywhere, a byte changed, another file.
    void tornOrForeignBytesAreIgnored()
    {
        const QByteArray whole = recoveryFileBytes(textCopy(QStringLiteral("recover me 4711 exactly")));
        QVERIFY(parseRecoveryFile(whole));
        for (qsizetype length = 0; length < whole.size(); ++length)
            QVERIFY2(!parseRecoveryFile(whole.left(length)), qPrintable(QString::number(length)));
        QByteArray changed = whole;
        changed[changed.size() - 3] = 'X';
        QVERIFY(!parseRecoveryFile(changed));
        QVERIFY(!parseRecoveryFile(whole + "more"));
        QVERIFY(!parseRecoveryFile(QByteArray("{\\rtf1 Hello\\par}\n\n")));
        QVERIFY(!parseRecoveryFile(QByteArray(4096, '\0')));
    }

    // A copy is offered only once the process that owns it is gone; the process that takes it
    // holds it against every other.
    void onlyCopiesOfDeadOwnersAreTaken()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Penwick"));
        RecoveryStore live(folder);
        QVERIFY(live.save(textCopy(QStringLiteral("still typing"))));
        live.waitForWrites();

        // Another process, alive, owns a second copy; a third copy's owner died.
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("60")});
        QVERIFY(sleeper.waitForStarted());
        const QString otherCopy = dir.filePath(QStringLiteral("Penwick/other.recovery"));
        QVERIFY(QFile::copy(live.copyPath(), otherCopy));
        writeLockOf(lockOf(otherCopy), sleeper.processId(), "sleep");
        // However long ago its owner started.
        QFile otherLock(lockOf(otherCopy));
        QVERIFY(otherLock.open(QIODevice::ReadWrite)
                && otherLock.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        const QString deadCopy = dir.filePath(QStringLiteral("Penwick/dead.recovery"));
        QVERIFY(QFile::copy(live.copyPath(), deadCopy));
        writeLockOf(lockOf(deadCopy), deadPid(), "penwick");
        // Leftovers of a dead owner: a write's temporary, a lock with no copy.
        const QString temporary = deadCopy + QStringLiteral(".a1B2c3");
        QVERIFY(writeFileBytes(temporary, "half a copy"));
        const QString bareLock = dir.filePath(QStringLiteral("Penwick/bare.lock"));
        writeLockOf(bareLock, deadPid(), "penwick");

        RecoveryStore starting(folder);
        std::vector<OrphanedCopy> orphans = starting.takeOrphans();
        QCOMPARE(orphans.size(), size_t(1));
        QCOMPARE(orphans[0].path(), deadCopy);
        QVERIFY(orphans[0].read());
        QVERIFY(!QFile::exists(temporary));
        QVERIFY(!QFile::exists(bareLock));
        // Held by this process while it asks: nobody else is offered it meanwhile.
        QVERIFY(RecoveryStore(folder).takeOrphans().empty());

        sleeper.kill();
        sleeper.waitForFinished();
        orphans = starting.takeOrphans();
        QCOMPARE(orphans.size(), size_t(1));
        QCOMPARE(orphans[0].path(), otherCopy);
    }

    void newestFirstAndTheRemovingCases()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Penwick"));
        QStringList paths;
        for (const QString &text : {QStringLiteral("older"), QStringLiteral("newer")}) {
            RecoveryStore crashed(folder);
            crashed.save(textCopy(text));
            crashed.waitForWrites();
            paths << crashed.copyPath();
            QFile file(paths.last());
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(paths.size() * 60),
                                     QFileDevice::FileModificationTime));
        }

        // A store going away without discarding leaves its copy, as a crash would.
        RecoveryStore starting(folder);
        std::vector<OrphanedCopy> orphans = starting.takeOrphans();
        QCOMPARE(orphans.size(), size_t(2));
        QCOMPARE(orphans[0].read()->text, QStringLiteral("newer"));
        QCOMPARE(orphans[1].read()->text, QStringLiteral("older"));
        orphans[1].remove();
        QVERIFY(!QFile::exists(paths[0]) && !QFile::exists(lockOf(paths[0])));

        // The adopted copy is written over by its new owner and is no orphan to anyone else.
        starting.adopt(std::move(orphans[0]));
        QCOMPARE(starting.copyPath(), paths[1]);
        starting.save(textCopy(QStringLiteral("newest")));
        starting.waitForWrites();
        QCOMPARE(parseRecoveryFile(readFileBytes(paths[1]))->text, QStringLiteral("newest"));
        QVERIFY(RecoveryStore(folder).takeOrphans().empty());

        // A discard waits for the writes queued before it: none brings the copy back.
        starting.save(textCopy(version(0)));
        starting.discard();
        starting.waitForWrites();
        QVERIFY(!QFile::exists(paths[1]));
        starting.save(textCopy(QStringLiteral("again")));
        starting.waitForWrites();
        QVERIFY(QFile::exists(paths[1]));
    }

    // A real process killed at any moment of its writes leaves the previous copy or the new
    // one, never a torn one.
    void killDuringWriteLeavesAWholeCopy()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Penwick"));
        const QStringList versions = {version(0), version(1)};
        int copies = 0;
        for (int round = 0; round < 16; ++round) {
            QProcess writer;
            writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-until-killed"), folder});
            // The kill's moment counts from the first whole copy, so that a slow start on a busy
            // machine cannot leave a round with nothing to check.
            QVERIFY(writer.waitForStarted());
            QVERIFY(writer.waitForReadyRead(60000));
            QTest::qSleep(round * 23 % 300);
            writer.kill();
            QVERIFY(writer.waitForFinished());
            RecoveryStore checker(folder);
            for (OrphanedCopy &orphan : checker.takeOrphans()) {
                const std::optional<RecoveryCopy> copy = orphan.read();
                QVERIFY2(copy, qPrintable(QStringLiteral("round %1: a torn copy").arg(round)));
                QVERIFY(versions.contains(copy->text));
                orphan.remove();
                ++copies;
            }
        }
        // Each killed writer leaves exactly its one copy.
        QCOMPARE(copies, 16);
    }
};

int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--write-until-killed") == 0) {
        QCoreApplication app(argc, argv);
        return writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    }
    QCoreApplication app(argc, argv);
    TestRecoveryStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recoverystore.moc"
