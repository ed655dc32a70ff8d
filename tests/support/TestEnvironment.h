#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh, empty settings store for one test: points the config home at a temporary
// folder for as long as the object lives.
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
    QByteArray m_previous;
};

// Reads a whole file; empty when it cannot be read.
QByteArray readFileBytes(const QString &path);
bool writeFileBytes(const QString &path, const QByteArray &bytes);
