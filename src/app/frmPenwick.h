#pragma once

#include "app/MainToolbar.h"
#include "document/Workspace.h"
#include "platform/Prompter.h"

#include <QMainWindow>
#include <QSet>

#include <memory>

class CommonDialog;
class DocumentCommands;
class DocumentRecovery;
class EditCommands;
class FavoritesCommands;
class FormatCommands;
class HelpCommands;
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
class StoredBounds;
class TransformCommands;

// The main window. Its slots are the program's commands, one per menu item; each hands the
// work to the command class of its area, which reaches the editor, the shared dialog and
// the document state through the Workspace this window implements, and the menu items it
// keeps through the actions it is given.
class frmPenwick : public QMainWindow, public Workspace
{
    Q_OBJECT

public:
    // commandLine is the whole argument text, used unaltered as a document path.
    explicit frmPenwick(const QString &commandLine = QString(), QWidget *parent = nullptr);
    ~frmPenwick() override;

    QWidget &mainWindow() override { return *this; }
    RichTextBox &rtbEditor() override { return *m_editor; }
    RichTextBox &rtbEditor() const { return *m_editor; }
    CommonDialog &dlgCommonDialog() override { return *m_dialog; }
    CommonDialog &dlgCommonDialog() const { return *m_dialog; }
    DocumentState &doc() override { return m_doc; }
    const DocumentState &doc() const { return m_doc; }
    QToolBar *tbToolbar() const { return m_toolbar; }
    MainToolbar &toolbarButtons() const { return *m_toolbarButtons; }

    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text) override;

    void UpdateCaption() override;
    msgbox::Answer ChangedPrompt();
    bool MayDiscardChanges() override;
    void NewDocument() override;
    void ApplyAlwaysOnTop() override;

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
    void mnuOptionsFont_Click();
    void mnuOptionsFontSize_Click();
    void mnuOptionsAlwaysOnTop_Click();

    void mnuHelpHelpTopics_Click();
    void mnuHelpAbout_Click();

    // Menus about to drop down.
    void mnuFile_Click();
    void mnuEdit_Click();
    void mnuOptions_Click();

    // The Font and Color buttons' drop-downs: the selection, or everything when nothing is
    // selected, takes the size or colour.
    void tbToolbar_FontSizeClick(float points);
    void tbToolbar_ColorClick(const QColor &color);

    void rtbEditor_Change();
    void rtbEditor_SelChange();
    // A key pressed in the editor that no enabled menu item took; true when the window
    // handled it and the editor must not.
    bool rtbEditor_KeyDown(const QKeyEvent &key);
    void rtbEditor_MouseDown(int button, int shift, int x, int y);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // The menu items the window and its commands keep.
    struct MenuItems {
        QMenu *file = nullptr;
        QMenu *edit = nullptr;
        QAction *save = nullptr;
        QAction *saveSelection = nullptr;
        QAction *appendSelection = nullptr;
        QAction *firstRecent = nullptr;
        QAction *recentEnd = nullptr;
        QAction *undo = nullptr;
        QAction *cut = nullptr;
        QAction *copy = nullptr;
        QAction *paste = nullptr;
        QAction *deleteSelection = nullptr;
        QAction *wordWrap = nullptr;
        QAction *bold = nullptr;
        QAction *italic = nullptr;
        QAction *underline = nullptr;
        QAction *alignLeft = nullptr;
        QAction *center = nullptr;
        QAction *alignRight = nullptr;
        QAction *lastPath = nullptr;
        QAction *defPath = nullptr;
        QAction *saveSizePosition = nullptr;
        QAction *defaultFont = nullptr;
        QAction *defaultFontSize = nullptr;
        QAction *alwaysOnTop = nullptr;
    };

    void createMenus();
    void createCommands();
    void createToolbar();
    void createStatusBar();
    int defaultStatusBarWidth() const;
    void Form_Load(const QString &commandLine);
    void Form_Unload();
    void StartUntitled();
    QAction *addCommand(QMenu *menu, const char *name, const QString &caption,
                        void (frmPenwick::*slot)(), const QKeySequence &shortcut = QKeySequence());
    QAction *addSeparator(QMenu *menu, const char *name);
    // A Bold, Italic or Underline button: pressed when the selection is plainly without the
    // style (a mixed selection counts as not plain), then the menu item does the work.
    void pressStyleButton(MainToolbar::Button button, std::optional<bool> selection, QAction &item);

    DocumentState m_doc;
    MenuItems m_items;
    QSet<QKeySequence> m_menuKeys;  // the menu items' shortcuts, which the editor leaves to them
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
