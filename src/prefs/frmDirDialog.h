#pragma once

#include "platform/FormDialog.h"
#include <QListWidget>

class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class Workspace;

// A folder list in the manner of a classic directory box: the current folder's ancestors
// from the volume's root down, then its subfolders. Double-clicking a line opens that
// folder; Path() is the folder opened last.
class DirListBox : public QListWidget
{
    Q_OBJECT

public:
    explicit DirListBox(QWidget *parent = nullptr);

    QString Path() const { return m_path; }
    QString root() const { return m_root; }
    // Shows path on the volume at root; Change follows when the path differs.
    void setLocation(const QString &root, const QString &path);

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void openItem(QListWidgetItem *item);

    QString m_root;
    QString m_path;
};

// The Options menu's two open-path items, whose marks the picker sets.
struct OpenPathItems {
    QAction &lastPath;
    QAction &defPath;
};

// The folder picker, titled "Select Directory". Its caller picks the mode by the first
// button's caption before showing it: "Add" lists folders as favourites, anything else
// ("OK") makes the folder the default open path.
class frmDirDialog : public FormDialog
{
    Q_OBJECT

public:
    frmDirDialog(Workspace &workspace, const OpenPathItems &items, QWidget *parent = nullptr);

    QPushButton *cmdAdd() const { return m_cmdAdd; }
    QPushButton *cmdClose() const { return m_cmdClose; }
    QString currentFolder() const;


signals:
    // Favourites mode: Add pressed on this folder.
    void folderAdded(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool favoritesMode() const;
    void showVolumeInDriveList(const QString &root);
    void dirDirBox_Change();
    void drvDriveBox_Change();
    void cmdAdd_Click();
    void cmdClose_Click();
    void Form_Unload() override;

    Workspace &m_workspace;
    OpenPathItems m_items;
    QComboBox *m_drvDriveBox = nullptr;
    DirListBox *m_dirDirBox = nullptr;
    QLabel *m_lblCurrentFolder = nullptr;
    QPushButton *m_cmdAdd = nullptr;
    QPushButton *m_cmdClose = nullptr;
};
