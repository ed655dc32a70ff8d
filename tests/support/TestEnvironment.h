#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/resource.h>

// A fresh, empty settings store for one test: points the config home at a temporary
// folder for as long as the object lives, and the state home (recovery copies) at another.
class TemporaryConfigHome
{
public:
    TemporaryConfigHome();
    ~TemporaryConfigHome();
    QString path() const { return m_dir.path(); }
    // The store's file as text once the event loop has turned, for checks on the stored form itself.
    QString storeText() const;
    // Replaces the store's file as another program would; the store reads it anew.
    void replaceStoreText(const QByteArray &text);

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_state;
    QByteArray m_previous;
    QByteArray m_previousState;
};

// Counts the times a file is replaced whole, by a link or a rename into place, as another process
// sees them through inotify on the file's folder (made if need be). Writes in place do not count:
// opening the file to see whether it may be written looks like one.
class FileWriteCounter
{
public:
    explicit FileWriteCounter(const QString &path);
    ~FileWriteCounter();
    // Replacements since the counter was made; -1 when the folder cannot be watched.
    int count();

private:
    int m_fd = -1;
    QByteArray m_name;
    int m_count = 0;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readFileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);

// Lowers the largest file this process may write, so that a write fails half-way as on a
// full disk; restored when the scope ends.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    bool active() const { return m_active; }

private:
    rlimit m_previous{};
    void (*m_handler)(int);
    bool m_active = false;
};
