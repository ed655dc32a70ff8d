#include "TestEnvironment.h"

#include "platform/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <csignal>

#include <sys/inotify.h>
#include <unistd.h>

TemporaryConfigHome::TemporaryConfigHome()
    : m_previous(qgetenv("XDG_CONFIG_HOME"))
    , m_previousState(qgetenv("XDG_STATE_HOME"))
{
    qputenv("XDG_CONFIG_HOME", m_dir.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", m_state.path().toLocal8Bit());
}

TemporaryConfigHome::~TemporaryConfigHome()
{
    // Before the folder goes: a store written later would make it again.
    closeSettingsStores();
    qputenv("XDG_CONFIG_HOME", m_previous);
    qputenv("XDG_STATE_HOME", m_previousState);
}

QString TemporaryConfigHome::storeText() const
{
    QCoreApplication::processEvents();
    return QString::fromUtf8(readFileBytes(settingsFilePath(QStringLiteral("Penwick"))));
}

void TemporaryConfigHome::replaceStoreText(const QByteArray &text)
{
    closeSettingsStores();
    const QString path = settingsFilePath(QStringLiteral("Penwick"));
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeFileBytes(path, text);
}

FileWriteCounter::FileWriteCounter(const QString &path)
    : m_name(QFile::encodeName(QFileInfo(path).fileName()))
{
    const QString folder = QFileInfo(path).absolutePath();
    QDir().mkpath(folder);
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd >= 0 && inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), IN_CREATE | IN_MOVED_TO) < 0) {
        close(m_fd);
        m_fd = -1;
    }
}

FileWriteCounter::~FileWriteCounter()
{
    if (m_fd >= 0)
        close(m_fd);
}

int FileWriteCounter::count()
{
    if (m_fd < 0)
        return -1;
    alignas(inotify_event) char buffer[4096];
    ssize_t size;
    while ((size = read(m_fd, buffer, sizeof buffer)) > 0) {
        for (ssize_t at = 0; at < size;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->len > 0 && m_name == event->name)
                ++m_count;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
    return m_count;
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
