#include "platform/text/TextFileLoader.h"

#include "platform/text/TextBuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <functional>

#ifdef Q_OS_LINUX
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

// How many bytes of the file are decoded into one chunk: some 2 MB of text for ASCII, and a
// thousand chunks for a gigabyte.
constexpr qsizetype kChunkBytes = 1 << 20;

using TakeChunk = std::function<void(TextBuffer::Chunk chunk, qint64 bytesDone, qint64 bytesTotal)>;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

bool openFile(const QString &path, QFile &file, QString *error)
{
    if (QFileInfo(path).isDir()) {
        setError(error, TextFileLoader::tr("%1 is a folder.").arg(path));
        return false;
    }
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, file.errorString());
        return false;
    }
    return true;
}

// Gives back the pages of a mapping before `to`, from `from` on, and says how far that went.
// The file's bytes are needed once; what stays in memory is the text made from them.
qint64 releasePages(const uchar *map, qint64 from, qint64 to)
{
#ifdef Q_OS_LINUX
    static const qint64 page = sysconf(_SC_PAGESIZE);
    const qint64 end = to / page * page;
    if (end <= from)
        return from;
    madvise(const_cast<uchar *>(map) + from, end - from, MADV_DONTNEED);
    return end;
#else
    Q_UNUSED(map);
    Q_UNUSED(from);
    return to;
#endif
}

// Decodes an open file a chunk at a time into take, until the end or until stop is set.
bool decodeFile(QFile &file, const std::atomic_bool &stop, const TakeChunk &take, TextFileFormat *format,
                QString *error)
{
    // Mapped, the bytes are read from the page cache without a copy of the file in memory;
    // what cannot be mapped (an empty size, as /proc reports) is read whole.
    const qint64 size = file.size();
    const uchar *map = size > 0 ? file.map(0, size) : nullptr;
    QByteArray read;
    if (!map) {
        read = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            setError(error, file.errorString());
            return false;
        }
    }
    const QByteArrayView bytes = map ? QByteArrayView(map, size) : QByteArrayView(read);
    const qint64 total = bytes.size();
#ifdef Q_OS_LINUX
    if (map)
        madvise(const_cast<uchar *>(map), size, MADV_SEQUENTIAL);
#endif
    TextDecoder decoder(bytes);
    qint64 released = 0;
    while (!decoder.atEnd()) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        TextBuffer::Chunk chunk(decoder.next(kChunkBytes));
        const qint64 done = total - decoder.bytesLeft();
        if (map)
            released = releasePages(map, released, done);
        take(std::move(chunk), done, total);
    }
    if (format)
        *format = decoder.format();
    return true;
}

} // namespace

struct TextFileLoader::Job
{
    QFile file;
    std::atomic_bool stop = false;
    std::unique_ptr<QThread> thread;
};

TextFileLoader::TextFileLoader(QObject *parent)
    : QObject(parent)
{
}

TextFileLoader::~TextFileLoader()
{
    cancel();
}

bool TextFileLoader::start(const QString &path, QString *error)
{
    cancel();
    auto job = std::make_unique<Job>();
    if (!openFile(path, job->file, error))
        return false;
    const quint64 run = ++m_run;
    Job *const worker = job.get();
    job->thread.reset(QThread::create([this, worker, run] {
        // Chunks and the end go through this object's event queue, so they arrive in order
        // in its thread, and those of a cancelled run can be told apart there.
        const TakeChunk take = [this, run](TextBuffer::Chunk chunk, qint64 done, qint64 total) {
            QMetaObject::invokeMethod(
                this,
                [this, run, chunk = std::move(chunk), done, total] {
                    if (run == m_run)
                        emit chunkReady(chunk, done, total);
                },
                Qt::QueuedConnection);
        };
        TextFileFormat format;
        QString error;
        const bool ok = decodeFile(worker->file, worker->stop, take, &format, &error);
        if (worker->stop)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, run, ok, format, error] {
                if (run == m_run)
                    finish(ok, format, error);
            },
            Qt::QueuedConnection);
    }));
    job->thread->setObjectName(QStringLiteral("TextFileLoader"));
    m_job = std::move(job);
    m_job->thread->start();
    return true;
}

void TextFileLoader::finish(bool ok, const TextFileFormat &format, const QString &error)
{
    m_job->thread->wait();
    m_job.reset();
    if (ok)
        emit finished(format);
    else
        emit failed(error);
}

void TextFileLoader::cancel()
{
    if (!m_job)
        return;
    ++m_run;
    m_job->stop = true;
    m_job->thread->wait();
    m_job.reset();
}

bool TextFileLoader::readFile(const QString &path, TextBuffer &into, TextFileFormat *format, QString *error)
{
    QFile file;
    if (!openFile(path, file, error))
        return false;
    const std::atomic_bool never = false;
    return decodeFile(
        file, never, [&into](TextBuffer::Chunk chunk, qint64, qint64) { into.appendChunk(std::move(chunk)); }, format,
        error);
}
