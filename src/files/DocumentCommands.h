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

    void loadMruList();
    void saveMruList();

    // "Open File Error" for a path that could not be loaded.
    void showOpenFileError(const QString &path);

private:
    bool writeDocument(const QString &path);

    frmPenwick &m_main;
};
