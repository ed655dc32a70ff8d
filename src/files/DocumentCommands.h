#pragma once

#include "files/DiskSnapshot.h"
#include "files/MruList.h"
#include "platform/RichTextBox.h"

#include <QList>
#include <QString>

class QAction;
class QMenu;
class Workspace;

// Opening, saving and the recent-files list of the main window's document.
class DocumentCommands
{
public:
    // The File menu's recent-files array: its first element, and the item the others go before.
    struct RecentMenu {
        QMenu &file;
        QAction &first;
        QAction &end;
    };

    DocumentCommands(Workspace &workspace, const RecentMenu &recentMenu);
    ~DocumentCommands();

    void open();
    // Save and Save As report whether the document reached the disk.
    bool save();
    bool saveAs();
    // The recent-files entry index (0 to 5) chosen in the File menu.
    void openRecent(int index);

    // The Open dialog, set up for opening; false when it was cancelled. A chosen file's
    // folder becomes the last open path.
    bool ShowOpenDialog();
    // The last open path from the dialog's FileName and FileTitle, trailing separator kept.
    void StoreLastPath();
    // Loads the dialog's FileName; on failure shows "Open File Error" after recovering.
    bool LoadDocument();

    // Loads the command-line path at start; false (after telling the user) when it cannot.
    bool loadAtStartup(const QString &path);

    // The load sequence shared by Open, recent files and favourites: empties the editor,
    // resets its formatting, loads path as its type, then names the document after it,
    // shows its status and clears the modified flag. Shows no message. When the file
    // cannot be loaded the editor gets back what it held: unsaved changes stay in it, still
    // marked modified; otherwise the previous file is reloaded from disk, or the document
    // becomes empty and untitled when it had no file (or its file is gone too). The error
    // text is returned through error.
    bool loadFile(const QString &path, QString *error = nullptr);

    // AddMRUItem: path to the top of the recent-files list and of the File menu.
    void AddMRUItem(const QString &path);
    const MruList &mruList() const { return m_mru; }
    void loadMruList();
    void saveMruList();

    // "Open File Error" for a path that could not be loaded.
    void showOpenFileError(const QString &path, const QString &reason);

    // Whether another program changed or removed the document's file since it was loaded or
    // saved, and if so what the user wants: an unmodified document is reloaded; edits are
    // reloaded over only when the user says so, or kept, and then a save asks before it
    // overwrites the other program's file. A removed file leaves the text marked modified.
    void checkOutsideChange();

private:
    bool writeDocument(const QString &path);
    // The document is its file as just written: caption, status and the modified flag say so.
    void showSaved();
    // Before a save over the document's own file: false when it must not go ahead.
    bool mayOverwriteOutsideChange();
    bool askReloadOverEdits(const QString &path);
    void reloadKeepingPlace();
    // Remembers the file as this document last read or wrote it.
    void noteOnDisk();
    bool confirmUnkeptParts(const QString &path);
    void restoreAfterFailedLoad(const QString &previousPath);
    void restoreUnsavedEdits(const RichTextBox::Snapshot &edits);
    // The File menu's mnuFileMRU elements, one per entry; elements are added, never removed.
    void showMruList();
    QAction &mruElement(int index);
    void addMruElement(QAction &element);

    Workspace &m_workspace;
    RecentMenu m_recentMenu;
    QString m_onDiskPath; // the file m_onDisk describes
    DiskSnapshot m_onDisk;
    bool m_keptOverOutsideChange = false; // the user kept the edits over another program's file
    bool m_checkingDisk = false;
    MruList m_mru;
    QList<QAction *> m_mruElements;
};
