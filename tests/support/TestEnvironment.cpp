#include "TestEnvironment.h"

#include "platform/SettingsStore.h"

#include <QFile>
#include <QStandardPaths>

#include <csignal>

TemporaryConfigHome::TemporaryConfigHome()
    : m_previous(qgetenv("XDG_CONFIG_HOME"))
    , m_previousState(qgetenv("XDG_STATE_HOME"))
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", m_state.path().toLocal8Bit());
}

TemporaryConfigHome::~TemporaryConfigHome()
{
    qputenv("XDG_CONFIG_HOME", m_previous);
    qputenv("XDG_STATE_HOME", m_previousState);
}

QString TemporaryConfigHome::storeText() const
{
    return QString::fromUtf8(readFileBytes(settingsFilePath(QStringLiteral("Penwick"))));
}

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

FileSizeLimit::FileSizeLimit(rlim_t bytes)
    : m_handler(std::signal(SIGXFSZ, SIG_IGN))
{
    getrlimit(RLIMIT_FSIZE, &m_previous);
    rlimit lower = m_previous;
    lower.rlim_cur = bytes;
    m_active = setrlimit(RLIMIT_FSIZE, &lower) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &m_previous);
    std::signal(SIGXFSZ, m_handler);
}
