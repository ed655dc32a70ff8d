#pragma once

#include "prefs/frmDirDialog.h"

#include "platform/FormDialog.h"

#include <memory>

class CommonDialog;
class DocumentCommands;
class QAction;
class QLabel;
class QListWidget;
class QPushButton;
class Workspace;

// "Favorite Files & Folders": the user's list of files and folders to open from. The list
// comes from the store when the window is made and goes back to it when the window closes.
class frmFavorites : public FormDialog
{
    Q_OBJECT

public:
    // documents loads the favourite chosen; saveWinState is the Options menu item that says
    // whether the dialog keeps its place; the folder picker sets the open-path items.
    frmFavorites(Workspace &workspace, DocumentCommands &documents, QAction &saveWinState,
                 const OpenPathItems &openPaths, QWidget *parent = nullptr);
    ~frmFavorites() override;

    QListWidget *lstFavs() const { return m_lstFavs; }
    QPushButton *cmdAddActive() const { return m_cmdAddActive; }
    CommonDialog &dlgCommonDialog() const { return *m_dialog; }
    // True once a favourite has been loaded into the editor.
    bool opened() const { return m_opened; }


    void lstFavs_Click();
    void cmdOpenSelected_Click();
    void cmdAddFiles_Click();
    void cmdAddFolders_Click();
    void cmdAddActive_Click();
    void cmdRemove_Click();
    void cmdClearList_Click();
    void cmdHelp_Click();
    void cmdClose_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void Form_Unload() override;
    void addLine(const QString &text);
    QString selectedText() const;

    Workspace &m_workspace;
    DocumentCommands &m_documents;
    QAction &m_saveWinState;
    OpenPathItems m_openPaths;
    std::unique_ptr<CommonDialog> m_dialog;
    QListWidget *m_lstFavs = nullptr;
    QLabel *m_lblSelected = nullptr;
    QPushButton *m_cmdOpenSelected = nullptr;
    QPushButton *m_cmdAddActive = nullptr;
    QPushButton *m_cmdRemove = nullptr;
    QPushButton *m_cmdClose = nullptr;
    bool m_opened = false;
};
