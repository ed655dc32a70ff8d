#pragma once

#include "platform/FindOptions.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QAction;
class Workspace;

// The modeless Find / Find and Replace dialog. Its title is its mode. It has no owner window,
// stays above the main window while in use, and searches the main window's editor. Cancel
// and Esc only hide it; the close box unloads it (and it deletes itself).
class frmSearch : public QDialog
{
    Q_OBJECT

public:
    static QString findTitle() { return QStringLiteral("Find"); }
    static QString replaceTitle() { return QStringLiteral("Find and Replace"); }

    frmSearch(Workspace &workspace, QAction &saveWinState);

    // Shows the controls of the mode in the title and shows the dialog, without an owner.
    void ShowSearchDialog();
    void RestoreAlwaysOnTop();
    // Runs Find Next once control is back in the event loop, as a queued Enter on the button.
    void queueFindNext();

    bool isUnloaded() const { return m_unloaded; }
    int LastFoundPos() const { return m_lastFoundPos; }

    QLineEdit *txtFind = nullptr;
    QLineEdit *txtReplaceWith = nullptr;
    QLabel *lblFindWhat = nullptr;
    QLabel *lblReplaceWith = nullptr;
    QCheckBox *chkMatchCase = nullptr;
    QCheckBox *chkWholeWord = nullptr;
    QPushButton *cmdFindNext = nullptr;
    QPushButton *cmdReplace = nullptr;
    QPushButton *cmdReplaceAll = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void cmdFindNext_Click();
    void cmdReplace_Click();
    void cmdReplaceAll_Click();
    void cmdCancel_Click();
    void reject() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Runs once as the dialog unloads, by its close box or at program end.
    void Form_Unload();
    void createControls();
    void Form_Load();
    FindOptions searchOptions() const;
    void searchFrom(int start);
    void setReplaceEnabled(bool enabled);
    void showMatch();
    void cannotFind();

    Workspace &m_workspace;
    QAction &m_saveWinState;
    int m_lastFoundPos = 0;  // as wide as the editor's positions
    bool m_unloaded = false;
};
