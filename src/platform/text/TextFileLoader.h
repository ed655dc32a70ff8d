#pragma once

#include "platform/TextFileCodec.h"
#include "platform/text/TextBuffer.h"

#include <QObject>
#include <QString>

#include <memory>

// Reads a text file in a worker thread, a chunk of decoded text at a time, so that the window
// stays responsive and can show the first page while the rest is still on its way. The chunks
// join to what decodeText gives for the whole file, and the format is the one it finds.
class TextFileLoader : public QObject
{
    Q_OBJECT

public:
    explicit TextFileLoader(QObject *parent = nullptr);
    ~TextFileLoader() override;  // cancels and waits for the worker

    // Opens the file at once, so that a folder or a file that cannot be read fails here; its
    // text then arrives through chunkReady, ending with finished or failed. A load still
    // running is cancelled first.
    bool start(const QString &path, QString *error);
    // Stops the load; nothing more is emitted for it.
    void cancel();
    bool isRunning() const { return m_job != nullptr; }

    // The same reading in the calling thread: the file's text is appended to `into`.
    static bool readFile(const QString &path, TextBuffer &into, TextFileFormat *format, QString *error);

signals:
    // In the loader's thread and in the file's order; bytesDone counts bytes of the file.
    void chunkReady(const TextBuffer::Chunk &chunk, qint64 bytesDone, qint64 bytesTotal);
    void finished(TextFileFormat format);
    void failed(QString error);

private:
    struct Job;
    void finish(bool ok, const TextFileFormat &format, const QString &error);

    std::unique_ptr<Job> m_job;
    quint64 m_run = 0;  // what a worker sends is dropped once its run is no longer this one
};
