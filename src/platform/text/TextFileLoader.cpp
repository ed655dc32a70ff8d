#include "platform/text/TextFileLoader.h"

#include "platform/text/TextBuffer.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <functional>
#include <limits>

namespace {

// How many bytes of the file are read and decoded at a time: a thousand chunks for a gigabyte.
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

using TakeBytes = std::function<qsizetype(QByteArrayView bytes, bool last)>;

// Reads the file from its start, up to limit bytes, a block at a time into take. take returns
// how many of the bytes it used (the rest come again at the front of the next block), or -1
// when it needs no more; the last call says so and must use them all. The file is read, not
// mapped: a file that another program cuts short meanwhile then only ends sooner.
bool readBlocks(QFile &file, qint64 limit, const std::atomic_bool &stop, const TakeBytes &take, QString *error)
{
    if (!file.seek(0)) {
        setError(error, file.errorString());
        return false;
    }
    QByteArray buffer;
    qsizetype kept = 0;
    for (qint64 left = limit;;) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        const qint64 want = std::min<qint64>(kChunkBytes, left);
        buffer.resize(kept + want);
        const qint64 got = want > 0 ? file.read(buffer.data() + kept, want) : 0;
        if (got < 0) {
            setError(error, file.errorString());
            return false;
        }
        left -= got;
        const bool last = got == 0;
        const QByteArrayView bytes(buffer.constData(), kept + got);
        const qsizetype used = take(bytes, last);
        if (used < 0 || last)
            return true;
        kept = bytes.size() - used;
        std::memmove(buffer.data(), buffer.constData() + used, kept);
    }
}

// Decodes an open file a chunk at a time into take, until the end or until stop is set: first
// its format is settled from all of its bytes, as decodeText does, then they are read again
// and decoded.
bool decodeFile(QFile &file, const std::atomic_bool &stop, const TakeChunk &take, TextFileFormat *format,
                QString *error)
{
    // A pipe or a device can be read only once.
    if (file.isSequential()) {
        const QByteArray bytes = file.readAll();
        TextDecoder decoder(bytes);
        while (!decoder.atEnd()) {
            if (stop.load(std::memory_order_relaxed))
                return false;
            TextBuffer::Chunk chunk(decoder.next(kChunkBytes));
            take(std::move(chunk), bytes.size() - decoder.bytesLeft(), bytes.size());
        }
        if (format)
            *format = decoder.format();
        return true;
    }
    FormatSniffer sniffer;
    qint64 size = 0;
    bool whole = true;  // the first reading went to the end
    const bool sniffed = readBlocks(
        file, std::numeric_limits<qint64>::max(), stop,
        [&](QByteArrayView bytes, bool last) -> qsizetype {
            const qsizetype used = sniffer.add(bytes, last);
            size += used;
            whole = !sniffer.settled();
            return whole ? used : -1;
        },
        error);
    if (!sniffed)
        return false;
    // The text is read as far as its format was settled on, or to the end when the start sufficed.
    const qint64 limit = whole ? size : std::numeric_limits<qint64>::max();
    const qint64 total = whole ? size : file.size();
    TextDecoder decoder(sniffer.format());
    qsizetype mark = sniffer.markLength();
    qint64 done = 0;
    const bool read = readBlocks(
        file, limit, stop,
        [&](QByteArrayView bytes, bool last) {
            const qsizetype skipped = std::min(mark, bytes.size());
            mark = 0;
            qsizetype used = 0;
            QString text = decoder.decode(bytes.sliced(skipped), last, &used);
            done += skipped + used;
            if (!text.isEmpty())
                take(TextBuffer::Chunk(std::move(text)), done, std::max(total, done));
            return skipped + used;
        },
        error);
    if (read && format)
        *format = decoder.format();
    return read;
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
