#pragma once

#include "platform/TextFileCodec.h"
#include "platform/text/TextBuffer.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLockFile;

// What a recovery copy holds: the document as the user last saw it, and where it belongs.
struct RecoveryCopy {
    QString file;  // empty while untitled
    bool richText = false;
    TextFileFormat textFormat;  // how a plain-text file is written back
    QDateTime saved;
    QByteArray rtf;  // a rich-text document
    QString text;  // a plain-text one; paragraph and line separators read as '\n'
    // Instead of text, to be written: the text as a plain editor holds it, shared with it, so
    // that a large document is not copied whole to be kept safe.
    std::shared_ptr<const TextBuffer> buffer;
};

// One file: a header naming the document, its type and a digest, then the RTF or the text in
// UTF-8. Reading gives nothing for bytes that are not a whole copy (cut short, foreign, damaged).
QByteArray recoveryFileBytes(const RecoveryCopy &copy);
std::optional<RecoveryCopy> parseRecoveryFile(const QByteArray &bytes);

// $XDG_STATE_HOME/Penwick, or ~/.local/state/Penwick without it.
QString recoveryFolder();

// A copy whose process is gone, held locked while the user decides about it.
class OrphanedCopy
{
public:
    OrphanedCopy(QString path, std::unique_ptr<QLockFile> lock);
    OrphanedCopy(OrphanedCopy &&) noexcept;
    OrphanedCopy &operator=(OrphanedCopy &&) noexcept;
    ~OrphanedCopy();

    const QString &path() const { return m_path; }
    std::optional<RecoveryCopy> read() const;
    // The document the copy belongs to, from its header alone; empty when untitled or unreadable.
    QString documentFile() const;
    // Deletes the copy; its lock goes with this object.
    void remove();

private:
    friend class RecoveryStore;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// This process's copy of one window's document, in a folder shared with every other Penwick.
// A lock file beside the copy says that a running process owns it; a kill -9 leaves the lock
// to a dead process, which QLockFile tells from a live one, so only copies of dead owners
// are ever offered. Copies are written atomically on a thread of their own, in order.
class RecoveryStore
{
public:
    explicit RecoveryStore(QString folder = recoveryFolder());
    // Waits for the writes under way and gives up the lock; the copy stays, as after a crash.
    ~RecoveryStore();

    // Queues a write of the copy; a write still queued when a newer one comes is dropped.
    // False when this store cannot own a copy (no folder, no lock).
    bool save(RecoveryCopy copy);
    // Removes the copy once the writes before it are done; later saves write it anew.
    void discard();
    bool busy() const { return m_queued.load() > 0; }
    void waitForWrites();

    // The path the copy has, or gets with the first save.
    QString copyPath() const;

    // Copies in the folder whose owners have died, newest first, each locked for this
    // process. Leftovers of writes cut short go on the way.
    std::vector<OrphanedCopy> takeOrphans();
    // Takes over an orphan: it becomes this store's copy, under its lock.
    void adopt(OrphanedCopy &&orphan);

private:
    bool own();
    void enqueue(std::function<void()> task);

    QString m_folder;
    QString m_id;
    std::unique_ptr<QLockFile> m_lock;
    QThreadPool m_writer;
    std::atomic<int> m_queued{0};
    std::shared_ptr<std::atomic<quint64>> m_latest = std::make_shared<std::atomic<quint64>>(0);
};
