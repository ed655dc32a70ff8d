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
    // The store's file as text, for checks on the stored form itself.
    QString storeText() const;

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_state;
    QByteArray m_previous;
    QByteArray m_previousState;
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
