#pragma once

#include <QString>

class frmPenwick;

// Opening, saving and the recent-files list of the main window's document.
class DocumentCommands
{
public:
    explicit DocumentCommands(frmPenwick &main);

    void open();
    // Save and Save As report whether the document reached the disk.
    bool save();
    bool saveAs();
    void openRecent(int index);

    // Loads the command-line path at start; false (after telling the user) when it cannot.
    bool loadAtStartup(const QString &path);

    // The load sequence shared by Open, recent files and favourites: empties the editor,
    // resets its formatting, loads path as its type, then names the document after it,
    // shows its status and clears the modified flag. Shows no message. When the file
    // cannot be loaded the editor is given back the previous document as it lies on disk,
    // or an empty untitled one when it had no file (or its file is gone too), and the
    // error text is returned through error.
    bool loadFile(const QString &path, QString *error = nullptr);

    void loadMruList();
    void saveMruList();

    // "Open File Error" for a path that could not be loaded.
    void showOpenFileError(const QString &path);

private:
    bool writeDocument(const QString &path);
    void restoreAfterFailedLoad(const QString &previousPath);

    frmPenwick &m_main;
};
