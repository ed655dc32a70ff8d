#include "prefs/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace folders {

namespace {

QString cleanRoot(const QString &path)
{
    const QString clean = QDir::cleanPath(path);
    return clean.isEmpty() ? QStringLiteral("/") : clean;
}

} // namespace

QList<Volume> mountedVolumes()
{
    QList<Volume> volumes;
    QStringList seen;
    for (const QStorageInfo &info : QStorageInfo::mountedVolumes()) {
        const QString root = cleanRoot(info.rootPath());
        // Single files are bind-mounted into containers; only folders can be browsed.
        if (!info.isValid() || seen.contains(root) || !QFileInfo(root).isDir())
            continue;
        seen << root;
        volumes.append({root, root});
    }
    if (!seen.contains(QStringLiteral("/")))
        volumes.append({QStringLiteral("/"), QStringLiteral("/")});
    std::sort(volumes.begin(), volumes.end(), [](const Volume &a, const Volume &b) {
        if ((a.root == QLatin1String("/")) != (b.root == QLatin1String("/")))
            return a.root == QLatin1String("/");
        return a.root < b.root;
    });
    return volumes;
}

QString volumeRootOf(const QString &path)
{
    const QStorageInfo info(path);
    return info.isValid() ? cleanRoot(info.rootPath()) : QStringLiteral("/");
}

bool volumeReadable(const QString &root)
{
    const QFileInfo info(root);
    if (!info.exists() || !info.isDir() || !info.isReadable())
        return false;
    const QStorageInfo storage(root);
    return storage.isValid() && storage.isReady();
}

QList<FolderEntry> folderListEntries(const QString &root, const QString &path)
{
    QString base = cleanRoot(root);
    const QString target = cleanRoot(path);
    const QString prefix = base == QLatin1String("/") ? base : base + QLatin1Char('/');
    if (target != base && !target.startsWith(prefix))
        base = QStringLiteral("/");

    QList<FolderEntry> entries;
    entries.append({base, base, 0, true});
    if (target != base) {
        const QString rest = target.mid(base == QLatin1String("/") ? 1 : base.size() + 1);
        QString walked = base;
        int depth = 0;
        for (const QString &part : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            walked = walked == QLatin1String("/") ? walked + part : walked + QLatin1Char('/') + part;
            entries.append({walked, part, ++depth, true});
        }
    }

    const int childDepth = entries.constLast().depth + 1;
    const QFileInfoList children = QDir(target).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot,
                                                              QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo &child : children)
        entries.append({QDir::cleanPath(child.absoluteFilePath()), child.fileName(), childDepth, false});
    return entries;
}

DriveChange resolveDriveChange(const QString &requested, const QString &fallback,
                               const std::function<bool(const QString &)> &readable)
{
    if (readable(requested))
        return {requested, false};
    if (requested != fallback && readable(fallback))
        return {fallback, true};
    return {std::nullopt, true};
}

} // namespace folders
