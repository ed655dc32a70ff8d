#pragma once

#include "app/modGenAPI.h"

#include <QMainWindow>

#include <memory>

class CommonDialog;
class DocumentCommands;
class DocumentRecovery;
class EditCommands;
class FavoritesCommands;
class FormatCommands;
class HelpCommands;
class MainToolbar;
class OptionsCommands;
class PrintCommands;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class RichTextBox;
class SearchCommands;
class SelectionExport;
class StatisticsCommands;
class TransformCommands;

// The main window. Its slots are the program's commands, one per menu item; each hands the
// work to the command class of its area, which reaches the editor, the shared dialog and
// the document state through this window.
class frmPenwick : public QMainWindow
{
    Q_OBJECT

public:
    // commandLine is the whole argument text, used unaltered as a document path.
    explicit frmPenwick(const QString &commandLine = QString(), QWidget *parent = nullptr);
    ~frmPenwick() override;

    RichTextBox &rtbEditor() const { return *m_editor; }
    CommonDialog &dlgCommonDialog() const { return *m_dialog; }
    DocumentState &doc() { return m_doc; }
    const DocumentState &doc() const { return m_doc; }
    QAction *action(const char *name) const;
    QMenu *menu(const char *name) const;
    QToolBar *tbToolbar() const { return m_toolbar; }
    MainToolbar &toolbarButtons() const { return *m_toolbarButtons; }

    // Status bar panels, 1 to 6.
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

    // Caption: the title, then " - Untitled" or " - " and the current file.
    void UpdateCaption();
    // 6 Yes, 7 No, 2 Cancel.
    int ChangedPrompt();
    // The save-changes question before a command gives up the document: true to go on
    // (nothing unsaved, or No); Yes saves and ends the command, Cancel ends it.
    bool MayDiscardChanges();
    void NewDocument();
    void ApplyAlwaysOnTop();

    QString LastOpenPath;
    bool InsertMode = true;

    DocumentCommands &documents() const { return *m_documents; }
    SearchCommands &search() const { return *m_search; }
    DocumentRecovery &recovery() const { return *m_recovery; }

public slots:
    void mnuFileNew_Click();
    void mnuFileOpen_Click();
    void mnuFileSave_Click();
    void mnuFileSaveAs_Click();
    void mnuFileSaveSelection_Click();
    void mnuFileAppendSelection_Click();
    void mnuFileFavorites_Click();
    void mnuFilePageSetup_Click();
    void mnuFilePrint_Click();
    void mnuFileMRU_Click(int index);
    void mnuFileExit_Click();

    void mnuEditUndo_Click();
    void mnuEditCut_Click();
    void mnuEditCopy_Click();
    void mnuEditPaste_Click();
    void mnuEditDelete_Click();
    void mnuEditClearAll_Click();
    void mnuEditSelectWord_Click();
    void mnuEditSelectSentence_Click();
    void mnuEditSelectAll_Click();
    void mnuEditDateTime_Click();
    void mnuEditTime_Click();
    void mnuEditDate_Click();
    void mnuEditInsertLine_Click();
    void mnuEditInsertCustomLine_Click();
    void mnuEditWordWrap_Click();

    void mnuSearchFind_Click();
    void mnuSearchFindNext_Click();
    void mnuSearchFindReplace_Click();
    void mnuSearchCharacterCount_Click();
    void mnuSearchWordCount_Click();
    void mnuSearchLineCount_Click();

    void mnuFormatFont_Click();
    void mnuFormatTextColor_Click();
    void mnuFormatBold_Click();
    void mnuFormatItalic_Click();
    void mnuFormatUnderline_Click();
    void mnuFormatRegular_Click();
    void mnuFormatAlignLeft_Click();
    void mnuFormatCenter_Click();
    void mnuFormatAlignRight_Click();
    void mnuFormatResetAll_Click();
    void mnuFormatUpperCase_Click();
    void mnuFormatLowerCase_Click();
    void mnuFormatCapitalize_Click();
    void mnuFormatInvertCase_Click();
    void mnuFormatRemoveLineBreaks_Click();

    void mnuOptionsLastPath_Click();
    void mnuOptionsDefPath_Click();
    void mnuOptionsSaveSizePosition_Click();
    void mnuOptionsFont_Click();
    void mnuOptionsFontSize_Click();
    void mnuOptionsAlwaysOnTop_Click();

    void mnuHelpHelpTopics_Click();
    void mnuHelpAbout_Click();

    // Menus about to drop down.
    void mnuFile_Click();
    void mnuEdit_Click();
    void mnuOptions_Click();

    void tbToolbar_ButtonClick(const QString &key);
    void tbToolbar_ButtonMenuClick(const QString &key);

    void rtbEditor_Change();
    void rtbEditor_SelChange();
    void rtbEditor_KeyDown(int &keyCode, int shift);
    void rtbEditor_MouseDown(int button, int shift, int x, int y);

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createMenus();
    void createStatusBar();
    int defaultStatusBarWidth() const;
    void Form_Load(const QString &commandLine);
    void Form_Unload();
    void StartUntitled();
    void LayoutEditor();
    QAction *addCommand(QMenu *menu, const char *name, const QString &caption,
                        void (frmPenwick::*slot)(), const QKeySequence &shortcut = QKeySequence());
    void addSeparator(QMenu *menu, const char *name);

    DocumentState m_doc;
    RichTextBox *m_editor = nullptr;
    std::unique_ptr<CommonDialog> m_dialog;
    QToolBar *m_toolbar = nullptr;
    MainToolbar *m_toolbarButtons = nullptr;
    QList<QLabel *> m_panels;
    StoredBounds *m_bounds = nullptr;
    bool m_unloaded = false;

    std::unique_ptr<DocumentCommands> m_documents;
    std::unique_ptr<SelectionExport> m_export;
    std::unique_ptr<PrintCommands> m_printing;
    std::unique_ptr<EditCommands> m_editing;
    std::unique_ptr<FormatCommands> m_format;
    std::unique_ptr<TransformCommands> m_transforms;
    std::unique_ptr<SearchCommands> m_search;
    std::unique_ptr<StatisticsCommands> m_statistics;
    std::unique_ptr<OptionsCommands> m_options;
    std::unique_ptr<FavoritesCommands> m_favorites;
    std::unique_ptr<HelpCommands> m_help;
    std::unique_ptr<DocumentRecovery> m_recovery;
};
