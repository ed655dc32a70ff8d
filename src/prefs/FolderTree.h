#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// What the folder picker shows, without widgets: the volumes to choose from, the lines of
// the folder list for a path, and where a change of volume ends up.
namespace folders {

struct Volume {
    QString root;  // mount point, no trailing separator except for "/"
    QString label;  // what the drive list shows
};

// Mounted volumes that hold folders, "/" first and the rest by mount point.
QList<Volume> mountedVolumes();
// The mount point of the volume that holds path.
QString volumeRootOf(const QString &path);
// A volume can be shown when its root is a folder that can be listed.
bool volumeReadable(const QString &root);

struct FolderEntry {
    QString path;
    QString name;
    int depth = 0;  // indentation level, 0 for the volume's root
    bool open = false;  // the current folder and its ancestors
};

// The folder list for path on the volume at root: the root and every folder down to path
// (open), then path's own subfolders (closed), sorted without regard to case. A path outside
// root is shown from "/".
QList<FolderEntry> folderListEntries(const QString &root, const QString &path);

struct DriveChange {
    std::optional<QString> root;  // the volume to show; none: stay where the list is
    bool unavailable = false;  // tell the user once that the chosen volume cannot be read
};

// A volume that cannot be read sends the list to fallback, and is reported once; when the
// fallback cannot be read either the list stays where it is, with no second message.
DriveChange resolveDriveChange(const QString &requested, const QString &fallback,
                               const std::function<bool(const QString &)> &readable = volumeReadable);

} // namespace folders
