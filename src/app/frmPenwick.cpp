#include "app/frmPenwick.h"

#include "app/MainToolbar.h"
#include "app/modGenAPI.h"
#include "editing/EditCommands.h"
#include "editing/TextDelimiters.h"
#include "favorites/FavoritesCommands.h"
#include "files/DocumentCommands.h"
#include "files/DocumentRecovery.h"
#include "files/PrintCommands.h"
#include "files/SelectionExport.h"
#include "format/FormatCommands.h"
#include "format/TransformCommands.h"
#include "help/HelpCommands.h"
#include "platform/AppInfo.h"
#include "platform/CommonDialog.h"
#include "platform/LocaleText.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"
#include "prefs/OptionsCommands.h"
#include "prefs/SettingKeys.h"
#include "search/SearchCommands.h"
#include "search/StatisticsCommands.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

struct PanelSpec {
    const char *tooltip;
    int widthTwips;
};

constexpr PanelSpec kPanels[] = {
    {"Last modified", 2601}, {"File size", 1235}, {"Font and size", 2251},
    {"INS/OVR Status", 540}, {"CAPS Lock Status", 540}, {"File Mod/Saved Status", 271},
};

constexpr float kDefaultWidth = 7905;
constexpr float kDefaultHeight = 7020;

} // namespace

frmPenwick::frmPenwick(const QString &commandLine, QWidget *parent)
    : QMainWindow(parent)
    , m_dialog(std::make_unique<CommonDialog>(this))
{
    setObjectName(QStringLiteral("frmPenwick"));
    m_bounds = new StoredBounds(*this);
    m_editor = new RichTextBox(this);
    m_editor->setObjectName(QStringLiteral("rtbEditor"));
    setCentralWidget(m_editor);

    createMenus();
    createCommands();
    createToolbar();
    createStatusBar();
    // Small enough for a corner of the screen, large enough that every menu and a few lines
    // of text stay in reach, whatever size a damaged settings file asks for.
    const int line = menuBar()->sizeHint().height();
    setMinimumSize(menuBar()->sizeHint().width(),
                   line * 4 + m_toolbar->sizeHint().height() + statusBar()->sizeHint().height());

    connect(m_editor, &RichTextBox::Change, this, &frmPenwick::rtbEditor_Change);
    connect(m_editor, &RichTextBox::SelChange, this, &frmPenwick::rtbEditor_SelChange);
    connect(m_editor, &RichTextBox::MouseDown, this, &frmPenwick::rtbEditor_MouseDown);
    // The window sees the editor's keys before the editor does.
    m_editor->installKeyFilter(this);

    Form_Load(commandLine);
}

frmPenwick::~frmPenwick() = default;

void frmPenwick::createCommands()
{
    m_documents = std::make_unique<DocumentCommands>(
        *this, DocumentCommands::RecentMenu{*m_items.file, *m_items.firstRecent, *m_items.recentEnd});
    m_export = std::make_unique<SelectionExport>(*this);
    m_printing = std::make_unique<PrintCommands>(*this);
    m_editing = std::make_unique<EditCommands>(
        *this, EditCommands::Items{*m_items.undo, *m_items.cut, *m_items.copy, *m_items.paste,
                                   *m_items.deleteSelection, *m_items.wordWrap});
    m_format = std::make_unique<FormatCommands>(*this,
                                                FormatCommands::Items{*m_items.bold, *m_items.italic, *m_items.underline});
    m_transforms = std::make_unique<TransformCommands>(*this);
    m_search = std::make_unique<SearchCommands>(*this, *m_items.saveSizePosition);
    m_statistics = std::make_unique<StatisticsCommands>(*this);
    const OpenPathItems openPaths{*m_items.lastPath, *m_items.defPath};
    m_options = std::make_unique<OptionsCommands>(
        *this, OptionsCommands::Items{openPaths, *m_items.defaultFont, *m_items.defaultFontSize});
    m_favorites = std::make_unique<FavoritesCommands>(*this, *m_documents, *m_items.saveSizePosition, openPaths);
    m_help = std::make_unique<HelpCommands>(*this);
    m_recovery = std::make_unique<DocumentRecovery>(*this);
}

void frmPenwick::createToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("Toolbar"));
    m_toolbar->setObjectName(QStringLiteral("tbToolbar"));
    m_toolbar->setMovable(false);
    m_toolbarButtons = new MainToolbar(*m_toolbar);
    // The buttons run the commands whatever the menu items' enabled states.
    const auto onClick = [this](MainToolbar::Button button, void (frmPenwick::*slot)()) {
        connect(m_toolbarButtons->button(button), &QAction::triggered, this, slot);
    };
    onClick(MainToolbar::NewButton, &frmPenwick::mnuFileNew_Click);
    onClick(MainToolbar::OpenButton, &frmPenwick::mnuFileOpen_Click);
    onClick(MainToolbar::SaveButton, &frmPenwick::mnuFileSave_Click);
    onClick(MainToolbar::SaveAsButton, &frmPenwick::mnuFileSaveAs_Click);
    onClick(MainToolbar::SaveSelectionButton, &frmPenwick::mnuFileSaveSelection_Click);
    onClick(MainToolbar::FindButton, &frmPenwick::mnuSearchFind_Click);
    onClick(MainToolbar::CutButton, &frmPenwick::mnuEditCut_Click);
    onClick(MainToolbar::CopyButton, &frmPenwick::mnuEditCopy_Click);
    onClick(MainToolbar::PasteButton, &frmPenwick::mnuEditPaste_Click);
    onClick(MainToolbar::FontButton, &frmPenwick::mnuFormatFont_Click);
    onClick(MainToolbar::ColorButton, &frmPenwick::mnuFormatTextColor_Click);
    onClick(MainToolbar::FavoritesButton, &frmPenwick::mnuFileFavorites_Click);
    onClick(MainToolbar::HelpButton, &frmPenwick::mnuHelpHelpTopics_Click);
    onClick(MainToolbar::ExitButton, &frmPenwick::mnuFileExit_Click);
    connect(m_toolbarButtons->button(MainToolbar::BoldButton), &QAction::triggered, this,
            [this] { pressStyleButton(MainToolbar::BoldButton, m_editor->SelBold(), *m_items.bold); });
    connect(m_toolbarButtons->button(MainToolbar::ItalicButton), &QAction::triggered, this,
            [this] { pressStyleButton(MainToolbar::ItalicButton, m_editor->SelItalic(), *m_items.italic); });
    connect(m_toolbarButtons->button(MainToolbar::UnderlineButton), &QAction::triggered, this,
            [this] { pressStyleButton(MainToolbar::UnderlineButton, m_editor->SelUnderline(), *m_items.underline); });
    connect(m_toolbarButtons, &MainToolbar::fontSizeChosen, this, &frmPenwick::tbToolbar_FontSizeClick);
    connect(m_toolbarButtons, &MainToolbar::colorChosen, this, &frmPenwick::tbToolbar_ColorClick);
}

QAction *frmPenwick::addCommand(QMenu *menu, const char *name, const QString &caption,
                                void (frmPenwick::*slot)(), const QKeySequence &shortcut)
{
    auto *action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    if (!shortcut.isEmpty())
        m_menuKeys.insert(shortcut);
    if (slot)
        connect(action, &QAction::triggered, this, slot);
    menu->addAction(action);
    return action;
}

QAction *frmPenwick::addSeparator(QMenu *menu, const char *name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(QLatin1String(name));
    return separator;
}

void frmPenwick::createMenus()
{
    auto addMenu = [this](const char *name, const QString &caption) {
        QMenu *menu = menuBar()->addMenu(caption);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto checkable = [](QAction *action, bool checked = false) {
        action->setCheckable(true);
        action->setChecked(checked);
        return action;
    };

    QMenu *file = m_items.file = addMenu("mnuFile", QStringLiteral("&File"));
    connect(file, &QMenu::aboutToShow, this, &frmPenwick::mnuFile_Click);
    addCommand(file, "mnuFileNew", QStringLiteral("&New"), &frmPenwick::mnuFileNew_Click);
    addCommand(file, "mnuFileOpen", QStringLiteral("&Open..."), &frmPenwick::mnuFileOpen_Click);
    addSeparator(file, "mnuFileBar1");
    m_items.save = addCommand(file, "mnuFileSave", QStringLiteral("&Save"), &frmPenwick::mnuFileSave_Click);
    m_items.save->setEnabled(false);
    addCommand(file, "mnuFileSaveAs", QStringLiteral("Save &As..."), &frmPenwick::mnuFileSaveAs_Click);
    addSeparator(file, "mnuFileBar6");
    m_items.saveSelection = addCommand(file, "mnuFileSaveSelection", QStringLiteral("Save S&election As..."),
                                       &frmPenwick::mnuFileSaveSelection_Click);
    m_items.saveSelection->setEnabled(false);
    m_items.appendSelection = addCommand(file, "mnuFileAppendSelection", QStringLiteral("Appen&d Selection To..."),
                                         &frmPenwick::mnuFileAppendSelection_Click);
    m_items.appendSelection->setEnabled(false);
    addSeparator(file, "mnuFileBar2");
    addCommand(file, "mnuFileFavorites", QStringLiteral("&Favorite Files/Folders"), &frmPenwick::mnuFileFavorites_Click);
    addSeparator(file, "mnuFileBar3");
    addCommand(file, "mnuFilePageSetup", QStringLiteral("Pr&int Setup"), &frmPenwick::mnuFilePageSetup_Click);
    addCommand(file, "mnuFilePrint", QStringLiteral("&Print..."), &frmPenwick::mnuFilePrint_Click);
    addSeparator(file, "mnuFileBar4");
    // Element 0 of the recent-files array; the list adds the others after it.
    m_items.firstRecent = new QAction(QStringLiteral("MRU FileList"), this);
    m_items.firstRecent->setObjectName(QStringLiteral("mnuFileMRU"));
    m_items.firstRecent->setVisible(false);
    file->addAction(m_items.firstRecent);
    m_items.recentEnd = addSeparator(file, "mnuFileBar5");
    addCommand(file, "mnuFileExit", QStringLiteral("E&xit"), &frmPenwick::mnuFileExit_Click);

    QMenu *edit = m_items.edit = addMenu("mnuEdit", QStringLiteral("&Edit"));
    connect(edit, &QMenu::aboutToShow, this, &frmPenwick::mnuEdit_Click);
    m_items.undo = addCommand(edit, "mnuEditUndo", QStringLiteral("&Undo"), &frmPenwick::mnuEditUndo_Click, QKeySequence(Qt::CTRL | Qt::Key_Z));
    addSeparator(edit, "mnuEditBar1");
    m_items.cut = addCommand(edit, "mnuEditCut", QStringLiteral("Cu&t"), &frmPenwick::mnuEditCut_Click, QKeySequence(Qt::CTRL | Qt::Key_X));
    m_items.cut->setEnabled(false);
    m_items.copy = addCommand(edit, "mnuEditCopy", QStringLiteral("&Copy"), &frmPenwick::mnuEditCopy_Click, QKeySequence(Qt::CTRL | Qt::Key_C));
    m_items.copy->setEnabled(false);
    m_items.paste = addCommand(edit, "mnuEditPaste", QStringLiteral("&Paste"), &frmPenwick::mnuEditPaste_Click, QKeySequence(Qt::CTRL | Qt::Key_V));
    m_items.paste->setEnabled(false);
    m_items.deleteSelection = addCommand(edit, "mnuEditDelete", QStringLiteral("De&lete"), &frmPenwick::mnuEditDelete_Click, QKeySequence(Qt::Key_Delete));
    m_items.deleteSelection->setEnabled(false);
    addCommand(edit, "mnuEditClearAll", QStringLiteral("Cl&ear All"), &frmPenwick::mnuEditClearAll_Click);
    addSeparator(edit, "mnuEditBar2");
    addCommand(edit, "mnuEditSelectWord", QStringLiteral("Select Word"), &frmPenwick::mnuEditSelectWord_Click, QKeySequence(Qt::CTRL | Qt::Key_W));
    addCommand(edit, "mnuEditSelectSentence", QStringLiteral("Select Sentence"), &frmPenwick::mnuEditSelectSentence_Click, QKeySequence(Qt::CTRL | Qt::Key_S));
    addCommand(edit, "mnuEditSelectAll", QStringLiteral("Select &All"), &frmPenwick::mnuEditSelectAll_Click, QKeySequence(Qt::CTRL | Qt::Key_A));
    addSeparator(edit, "mnuEditBar3");
    addCommand(edit, "mnuEditDateTime", QStringLiteral("Insert &Date/Time"), &frmPenwick::mnuEditDateTime_Click, QKeySequence(Qt::Key_F5));
    addCommand(edit, "mnuEditTime", QStringLiteral("Insert Time"), &frmPenwick::mnuEditTime_Click, QKeySequence(Qt::Key_F6));
    addCommand(edit, "mnuEditDate", QStringLiteral("Insert Long Date"), &frmPenwick::mnuEditDate_Click, QKeySequence(Qt::Key_F7));
    addSeparator(edit, "mnuEditBar4");
    addCommand(edit, "mnuEditInsertLine", QStringLiteral("Insert Line (=)"), &frmPenwick::mnuEditInsertLine_Click, QKeySequence(Qt::CTRL | Qt::Key_F5));
    addCommand(edit, "mnuEditInsertCustomLine", QStringLiteral("Insert Custom Line"), &frmPenwick::mnuEditInsertCustomLine_Click, QKeySequence(Qt::CTRL | Qt::Key_F6));
    addSeparator(edit, "mnuEditBar5");
    m_items.wordWrap = checkable(addCommand(edit, "mnuEditWordWrap", QStringLiteral("&Word Wrap"), &frmPenwick::mnuEditWordWrap_Click), true);

    QMenu *search = addMenu("mnuSearch", QStringLiteral("Sear&ch"));
    addCommand(search, "mnuSearchFind", QStringLiteral("&Find..."), &frmPenwick::mnuSearchFind_Click, QKeySequence(Qt::Key_F2));
    addCommand(search, "mnuSearchFindNext", QStringLiteral("Find &Next"), &frmPenwick::mnuSearchFindNext_Click, QKeySequence(Qt::Key_F3));
    addCommand(search, "mnuSearchFindReplace", QStringLiteral("Find and &Replace..."), &frmPenwick::mnuSearchFindReplace_Click, QKeySequence(Qt::Key_F4));
    addSeparator(search, "mnuSearchBar1");
    addCommand(search, "mnuSearchCharacterCount", QStringLiteral("&Character Count"), &frmPenwick::mnuSearchCharacterCount_Click, QKeySequence(Qt::SHIFT | Qt::Key_F2));
    addCommand(search, "mnuSearchWordCount", QStringLiteral("&Word Count"), &frmPenwick::mnuSearchWordCount_Click, QKeySequence(Qt::SHIFT | Qt::Key_F3));
    addCommand(search, "mnuSearchLineCount", QStringLiteral("&Line Count"), &frmPenwick::mnuSearchLineCount_Click, QKeySequence(Qt::SHIFT | Qt::Key_F4));

    QMenu *format = addMenu("mnuFormat", QStringLiteral("For&mat"));
    addCommand(format, "mnuFormatFont", QStringLiteral("&Font..."), &frmPenwick::mnuFormatFont_Click, QKeySequence(Qt::CTRL | Qt::Key_F));
    addCommand(format, "mnuFormatTextColor", QStringLiteral("Text &Color..."), &frmPenwick::mnuFormatTextColor_Click, QKeySequence(Qt::CTRL | Qt::Key_O));
    addSeparator(format, "mnuFormatBar1");
    m_items.bold = checkable(addCommand(format, "mnuFormatBold", QStringLiteral("&Bold"), &frmPenwick::mnuFormatBold_Click));
    m_items.italic = checkable(addCommand(format, "mnuFormatItalic", QStringLiteral("&Italic"), &frmPenwick::mnuFormatItalic_Click));
    m_items.underline = checkable(addCommand(format, "mnuFormatUnderline", QStringLiteral("U&nderline"), &frmPenwick::mnuFormatUnderline_Click));
    addCommand(format, "mnuFormatRegular", QStringLiteral("&Regular"), &frmPenwick::mnuFormatRegular_Click);
    addSeparator(format, "mnuFormatBar2");
    m_items.alignLeft = checkable(addCommand(format, "mnuFormatAlignLeft", QStringLiteral("Ali&gn Left"), &frmPenwick::mnuFormatAlignLeft_Click, QKeySequence(Qt::SHIFT | Qt::Key_F5)), true);
    m_items.center = checkable(addCommand(format, "mnuFormatCenter", QStringLiteral("C&enter"), &frmPenwick::mnuFormatCenter_Click, QKeySequence(Qt::SHIFT | Qt::Key_F6)));
    m_items.alignRight = checkable(addCommand(format, "mnuFormatAlignRight", QStringLiteral("Align Rig&ht"), &frmPenwick::mnuFormatAlignRight_Click, QKeySequence(Qt::SHIFT | Qt::Key_F7)));
    auto *alignments = new QActionGroup(this);
    for (QAction *alignment : {m_items.alignLeft, m_items.center, m_items.alignRight})
        alignments->addAction(alignment);
    addSeparator(format, "mnuFormatBar3");
    addCommand(format, "mnuFormatResetAll", QStringLiteral("Rese&t All Formatting"), &frmPenwick::mnuFormatResetAll_Click);
    addSeparator(format, "mnuFormatBar4");
    addCommand(format, "mnuFormatUpperCase", QStringLiteral("To &UPPER Case"), &frmPenwick::mnuFormatUpperCase_Click, QKeySequence(Qt::CTRL | Qt::Key_U));
    addCommand(format, "mnuFormatLowerCase", QStringLiteral("To &lower Case"), &frmPenwick::mnuFormatLowerCase_Click, QKeySequence(Qt::CTRL | Qt::Key_L));
    addCommand(format, "mnuFormatCapitalize", QStringLiteral("C&apitalize"), &frmPenwick::mnuFormatCapitalize_Click, QKeySequence(Qt::CTRL | Qt::Key_P));
    addCommand(format, "mnuFormatInvertCase", QStringLiteral("In&vert Case"), &frmPenwick::mnuFormatInvertCase_Click, QKeySequence(Qt::CTRL | Qt::Key_I));
    addSeparator(format, "mnuFormatBar5");
    addCommand(format, "mnuFormatRemoveLineBreaks", QStringLiteral("Line Brea&ks to Wrap"), &frmPenwick::mnuFormatRemoveLineBreaks_Click, QKeySequence(Qt::CTRL | Qt::Key_K));

    QMenu *options = addMenu("mnuOptions", QStringLiteral("O&ptions"));
    connect(options, &QMenu::aboutToShow, this, &frmPenwick::mnuOptions_Click);
    m_items.lastPath = checkable(addCommand(options, "mnuOptionsLastPath", QStringLiteral("Save &Last Open Path on Exit"), &frmPenwick::mnuOptionsLastPath_Click));
    m_items.defPath = checkable(addCommand(options, "mnuOptionsDefPath", QStringLiteral("Select &Default Open Path..."), &frmPenwick::mnuOptionsDefPath_Click));
    addSeparator(options, "mnuOptionsBar3");
    // The mark is the whole of this option: it is read at exit.
    m_items.saveSizePosition = checkable(addCommand(options, "mnuOptionsSaveSizePosition", QStringLiteral("Save Size/&Position on Exit"), nullptr));
    addSeparator(options, "mnuOptionsBar1");
    m_items.defaultFont = addCommand(options, "mnuOptionsFont", QStringLiteral("Default &Font"), &frmPenwick::mnuOptionsFont_Click);
    m_items.defaultFontSize = addCommand(options, "mnuOptionsFontSize", QStringLiteral("Default Font &Size"), &frmPenwick::mnuOptionsFontSize_Click);
    addSeparator(options, "mnuOptionsBar2");
    m_items.alwaysOnTop = checkable(addCommand(options, "mnuOptionsAlwaysOnTop", QStringLiteral("Always On &Top"), &frmPenwick::mnuOptionsAlwaysOnTop_Click, QKeySequence(Qt::CTRL | Qt::Key_T)));

    QMenu *help = addMenu("mnuHelp", QStringLiteral("&Help"));
    addCommand(help, "mnuHelpHelpTopics", QStringLiteral("&Help Topics"), &frmPenwick::mnuHelpHelpTopics_Click, QKeySequence(Qt::Key_F1));
    addCommand(help, "mnuHelpAbout", QStringLiteral("About Penwick"), &frmPenwick::mnuHelpAbout_Click);
}

void frmPenwick::createStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    // The window's frame resizes it; a grip would only take room from the panels.
    bar->setSizeGripEnabled(false);
    for (const PanelSpec &spec : kPanels) {
        auto *label = new QLabel(bar);
        label->setObjectName(QStringLiteral("sbStatusBarPanel%1").arg(m_panels.size() + 1));
        label->setToolTip(QLatin1String(spec.tooltip));
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        // Panels are at least their design width and grow to show their whole text; the date
        // panel takes the rest of the bar, so a narrow window shortens it rather than piling
        // panels on each other.
        const int width = m_editor->twipsToPixels(spec.widthTwips);
        if (m_panels.isEmpty()) {
            label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
            label->setMinimumWidth(1);
            label->resize(width, label->height());
        } else {
            label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            label->setMinimumWidth(width);
        }
        bar->addWidget(label, m_panels.isEmpty() ? 1 : 0);
        m_panels << label;
    }
    // A key-state panel: shown active while Caps Lock is on.
    m_panels[4]->setText(QStringLiteral("CAPS"));
    m_panels[4]->setEnabled(false);
}

int frmPenwick::defaultStatusBarWidth() const
{
    // The design's width assumes a narrower font than desktops have today: with it the date
    // panel would cut a file's modified time. The bar is measured with the widest date of the
    // year beside the face most documents from word processors use.
    QLabel *date = m_panels[0];
    QLabel *font = m_panels[2];
    const QString shownDate = date->text();
    const QString shownFont = font->text();
    font->setText(fontPanelText(QStringLiteral("Times New Roman"), 12.0f));
    int width = 0;
    for (int month = 1; month <= 12; ++month) {
        date->setText(QStringLiteral("Modified: ")
                      + generalDateText(QDateTime(QDate(2000, month, 28), QTime(20, 48, 48))));
        // The bar is not shown yet: its layouts do not hear of the new texts by themselves.
        QLayout *bar = statusBar()->layout();
        for (int i = 0; i < bar->count(); ++i) {
            if (QLayout *row = bar->itemAt(i)->layout())
                row->invalidate();
        }
        bar->invalidate();
        width = std::max(width, bar->sizeHint().width());
    }
    date->setText(shownDate);
    font->setText(shownFont);
    return width;
}

QString frmPenwick::panelText(int panel) const
{
    return m_panels.value(panel - 1) ? m_panels[panel - 1]->text() : QString();
}

void frmPenwick::setPanelText(int panel, const QString &text)
{
    if (QLabel *label = m_panels.value(panel - 1))
        label->setText(text);
}

void frmPenwick::UpdateCaption()
{
    setWindowTitle(appinfo::title()
                   + (m_doc.CurrentFile.isEmpty() ? QStringLiteral(" - Untitled")
                                                  : QStringLiteral(" - ") + m_doc.CurrentFile));
}

msgbox::Answer frmPenwick::ChangedPrompt()
{
    return prompter().messageBox(this,
                                 QStringLiteral("The file ") + m_doc.CurrentFile
                                     + QStringLiteral(" has changed.\r\nDo you want to save the changes?"),
                                 msgbox::YesNoCancel | msgbox::Exclamation, appinfo::title());
}

void frmPenwick::ApplyAlwaysOnTop()
{
    const int flag = m_items.alwaysOnTop->isChecked() ? 1 : 0;
    if (!SetTopmost(flag, this))
        prompter().messageBox(this, QStringLiteral("Positioning Error!"), msgbox::OKOnly | msgbox::Critical,
                              QStringLiteral("Program Error"));
}

void frmPenwick::Form_Load(const QString &commandLine)
{
    m_items.saveSizePosition->setChecked(settings::SaveWinState.read());
    if (m_items.saveSizePosition->isChecked()) {
        m_bounds->restore(QRectF(settings::MainLeft.read(), settings::MainTop.read(),
                                 settings::MainWidth.read(), settings::MainHeight.read()));
    } else {
        QRectF bounds = formBounds(*this);
        bounds.setSize(QSizeF(std::max<double>(kDefaultWidth, defaultStatusBarWidth() * twipsPerPixel()),
                              kDefaultHeight));
        setFormBounds(*this, bounds);
        CenterForm(*this);
    }

    m_items.alwaysOnTop->setChecked(settings::OnTop.read());
    if (m_items.alwaysOnTop->isChecked())
        ApplyAlwaysOnTop();

    m_doc.OpenDialogPath.clear();
    m_items.lastPath->setChecked(settings::SaveLastPath.read());
    if (m_items.lastPath->isChecked()) {
        m_doc.LastOpenPath = settings::LastPath.read();
        m_doc.OpenDialogPath = m_doc.LastOpenPath;
    } else {
        m_doc.LastOpenPath.clear();
    }
    m_items.defPath->setChecked(settings::SaveDefPath.read());
    if (m_items.defPath->isChecked()) {
        m_doc.DefaultOpenPath = settings::DefPath.read();
        m_doc.OpenDialogPath = m_doc.DefaultOpenPath;
    } else {
        m_doc.DefaultOpenPath.clear();
    }
    m_doc.DefaultFont = settings::Font.read();
    m_doc.DefaultFontSize = settings::FontSize.read();

    // A path that cannot be loaded leaves an untitled document rather than an editor bound
    // to a file it does not hold.
    if (commandLine.isEmpty() || !m_documents->loadAtStartup(commandLine))
        StartUntitled();

    setPanelText(4, QStringLiteral("INS"));
    m_dialog->InitDir = m_doc.OpenDialogPath;
    m_doc.FileChanged = false;
    InsertMode = true;
    m_documents->loadMruList();
    m_recovery->offerLeftCopies(commandLine);
}

void frmPenwick::StartUntitled()
{
    m_doc.CurrentFile.clear();
    m_dialog->FileName = QStringLiteral("Untitled");
    UpdateCaption();
    ResetFormatting(*this);
    m_editor->setSelStart(0);
    // Formatting an empty document is nothing the user could want to undo.
    m_editor->clearHistory();
    setPanelText(1, generalDateText(QDateTime::currentDateTime()));
    setPanelText(2, QStringLiteral("Bytes: 0"));
    setPanelText(3, fontPanelText(m_editor->SelFontName(), m_editor->SelFontSize()));
    setPanelText(6, QStringLiteral("N"));
    m_doc.FileChanged = false;
}

void frmPenwick::Form_Unload()
{
    if (!isMinimized()) {
        const QRectF bounds = m_bounds->toStore();
        settings::MainLeft.write(float(bounds.left()));
        settings::MainTop.write(float(bounds.top()));
        settings::MainWidth.write(float(bounds.width()));
        settings::MainHeight.write(float(bounds.height()));
    }
    settings::SaveWinState.write(m_items.saveSizePosition->isChecked());
    settings::OnTop.write(m_items.alwaysOnTop->isChecked());
    settings::SaveLastPath.write(m_items.lastPath->isChecked());
    settings::LastPath.write(m_doc.LastOpenPath);
    m_documents->saveMruList();
    m_recovery->discard();

    m_search->unloadDialog();
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (*it != this && qobject_cast<QDialog *>(*it) && (*it)->isVisible())
            (*it)->close();
    }
}

void frmPenwick::closeEvent(QCloseEvent *event)
{
    if (m_unloaded) {
        event->accept();
        return;
    }
    if (m_doc.FileChanged) {
        switch (ChangedPrompt()) {
        case msgbox::No:
            break;
        case msgbox::Yes:
            // The window stays open when the text did not reach the disk.
            if (!m_documents->save()) {
                event->ignore();
                return;
            }
            break;
        default:
            event->ignore();
            return;
        }
    }
    m_unloaded = true;
    Form_Unload();
    event->accept();
}

void frmPenwick::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Coming back to the window is when a change made meanwhile by another program shows.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_documents->checkOutsideChange();
}

bool frmPenwick::eventFilter(QObject *watched, QEvent *event)
{
    const bool keyEvent = event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress;
    if (keyEvent && watched == m_editor->focusProxy()) {
        const auto *key = static_cast<QKeyEvent *>(event);
        switch (event->type()) {
        case QEvent::ShortcutOverride:
            // The editor claims keys such as Del and Ctrl+Z for itself; a menu item with that
            // shortcut takes it first, as in any menu-driven window. A disabled item's key
            // still comes to the editor.
            if (m_menuKeys.contains(QKeySequence(key->keyCombination())))
                return true;
            break;
        case QEvent::KeyPress:
            if (rtbEditor_KeyDown(*key))
                return true;
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmPenwick::NewDocument()
{
    m_editor->setTextRTF(QByteArray());
    StartUntitled();
    m_editor->setFocus();
}

bool frmPenwick::MayDiscardChanges()
{
    if (!m_doc.FileChanged)
        return true;
    switch (ChangedPrompt()) {
    case msgbox::No:
        // The modified flag stays until something replaces the edits: a command that ends
        // without doing so must not leave them to be lost at exit without a question.
        m_recovery->discard();
        return true;
    case msgbox::Yes:
        // Saved; the user gives the command again.
        mnuFileSave_Click();
        return false;
    default:
        m_editor->setFocus();
        return false;
    }
}

void frmPenwick::mnuFileNew_Click()
{
    if (MayDiscardChanges())
        NewDocument();
}

void frmPenwick::mnuFile_Click()
{
    const bool hasSelection = m_editor->SelLength() > 0;
    m_items.saveSelection->setEnabled(hasSelection);
    m_items.appendSelection->setEnabled(hasSelection);
    m_items.save->setEnabled(m_doc.FileChanged);
}

void frmPenwick::rtbEditor_Change()
{
    m_doc.FileChanged = true;
    setPanelText(6, QStringLiteral("M"));
    m_recovery->documentChanged();
}

void frmPenwick::rtbEditor_SelChange()
{
    const RichTextBox::SelectionFormat format = m_editor->SelFormat();
    if (format.bold)
        m_items.bold->setChecked(*format.bold);
    if (format.italic)
        m_items.italic->setChecked(*format.italic);
    if (format.underline)
        m_items.underline->setChecked(*format.underline);

    // The buttons follow the check marks, so a mixed selection leaves both as they were.
    m_toolbarButtons->button(MainToolbar::BoldButton)->setChecked(m_items.bold->isChecked());
    m_toolbarButtons->button(MainToolbar::ItalicButton)->setChecked(m_items.italic->isChecked());
    m_toolbarButtons->button(MainToolbar::UnderlineButton)->setChecked(m_items.underline->isChecked());

    // One of the three is always checked; the group clears the other two.
    const std::optional<RichTextBox::Alignment> alignment = m_editor->SelAlignment();
    if (alignment == RichTextBox::Alignment::Left)
        m_items.alignLeft->setChecked(true);
    else if (alignment == RichTextBox::Alignment::Right)
        m_items.alignRight->setChecked(true);
    else
        m_items.center->setChecked(true);

    setPanelText(3, fontPanelText(format.fontName, format.fontSize));
}

bool frmPenwick::rtbEditor_KeyDown(const QKeyEvent &key)
{
    const Qt::KeyboardModifiers modifiers = key.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (key.key() == Qt::Key_S)
            m_editor->UpTo(delimiters::sentence, true, false);
        else if (key.key() == Qt::Key_W)
            m_editor->UpTo(delimiters::word, true, false);
    }
    // The program's own clipboard and undo, also while their menu items are disabled.
    if (modifiers == Qt::ControlModifier) {
        switch (key.key()) {
        case Qt::Key_V: mnuEditPaste_Click(); return true;
        case Qt::Key_C: mnuEditCopy_Click(); return true;
        case Qt::Key_X: mnuEditCut_Click(); return true;
        case Qt::Key_Z: mnuEditUndo_Click(); return true;
        default: break;
        }
    }
    if (key.key() == Qt::Key_Insert && modifiers == Qt::NoModifier) {
        InsertMode = !InsertMode;
        setPanelText(4, InsertMode ? QStringLiteral("INS") : QStringLiteral("OVR"));
    }
    // A key-state panel: shown active while Caps Lock is on.
    if (key.key() == Qt::Key_CapsLock && !key.isAutoRepeat())
        m_panels[4]->setEnabled(!m_panels[4]->isEnabled());
    return false;
}

void frmPenwick::rtbEditor_MouseDown(int button, int shift, int x, int y)
{
    Q_UNUSED(shift);
    m_editing->updateEditMenu();
    if (button == 2)
        m_items.edit->popup(m_editor->globalPosition(x, y));
}

void frmPenwick::pressStyleButton(MainToolbar::Button button, std::optional<bool> selection, QAction &item)
{
    m_toolbarButtons->button(button)->setChecked(selection == false);
    item.trigger();
}

void frmPenwick::tbToolbar_FontSizeClick(float points)
{
    if (m_editor->SelLength() == 0)
        mnuEditSelectAll_Click();
    // The dialog keeps the value, as if it had been chosen there.
    m_dialog->FontSize = points;
    m_editor->setSelFontSize(m_dialog->FontSize);
    rtbEditor_SelChange();
}

void frmPenwick::tbToolbar_ColorClick(const QColor &color)
{
    if (m_editor->SelLength() == 0)
        mnuEditSelectAll_Click();
    m_dialog->Color = color;
    m_editor->setSelColor(m_dialog->Color);
}

// Commands handed to the classes of their areas.
void frmPenwick::mnuFileOpen_Click() { m_documents->open(); }
void frmPenwick::mnuFileSave_Click()
{
    if (m_documents->save())
        m_recovery->discard();
}
void frmPenwick::mnuFileSaveAs_Click()
{
    if (m_documents->saveAs())
        m_recovery->discard();
}
void frmPenwick::mnuFileSaveSelection_Click() { m_export->saveSelectionAs(); }
void frmPenwick::mnuFileAppendSelection_Click() { m_export->appendSelectionTo(); }
void frmPenwick::mnuFileFavorites_Click() { m_favorites->open(); }
void frmPenwick::mnuFilePageSetup_Click() { m_printing->pageSetup(); }
void frmPenwick::mnuFilePrint_Click() { m_printing->print(); }
void frmPenwick::mnuFileMRU_Click(int index) { m_documents->openRecent(index); }
void frmPenwick::mnuFileExit_Click() { close(); }

void frmPenwick::mnuEditUndo_Click() { m_editing->undo(); }
void frmPenwick::mnuEditCut_Click() { m_editing->cut(); }
void frmPenwick::mnuEditCopy_Click() { m_editing->copy(); }
void frmPenwick::mnuEditPaste_Click() { m_editing->paste(); }
void frmPenwick::mnuEditDelete_Click() { m_editing->deleteSelection(); }
void frmPenwick::mnuEditClearAll_Click() { m_editing->clearAll(); }
void frmPenwick::mnuEditSelectWord_Click() { m_editing->selectWord(); }
void frmPenwick::mnuEditSelectSentence_Click() { m_editing->selectSentence(); }
void frmPenwick::mnuEditSelectAll_Click() { m_editing->selectAll(); }
void frmPenwick::mnuEditDateTime_Click() { m_editing->insertDateTime(); }
void frmPenwick::mnuEditTime_Click() { m_editing->insertTime(); }
void frmPenwick::mnuEditDate_Click() { m_editing->insertLongDate(); }
void frmPenwick::mnuEditInsertLine_Click() { m_editing->insertLine(); }
void frmPenwick::mnuEditInsertCustomLine_Click() { m_editing->insertCustomLine(); }
void frmPenwick::mnuEditWordWrap_Click() { m_editing->wordWrap(); }
void frmPenwick::mnuEdit_Click() { m_editing->updateEditMenu(); }

void frmPenwick::mnuSearchFind_Click() { m_search->find(); }
void frmPenwick::mnuSearchFindNext_Click() { m_search->findNext(); }
void frmPenwick::mnuSearchFindReplace_Click() { m_search->findReplace(); }
void frmPenwick::mnuSearchCharacterCount_Click() { m_statistics->characterCount(); }
void frmPenwick::mnuSearchWordCount_Click() { m_statistics->wordCount(); }
void frmPenwick::mnuSearchLineCount_Click() { m_statistics->lineCount(); }

// A format change moves no caret, so the status and the marks are brought up to date here.
void frmPenwick::mnuFormatFont_Click()
{
    m_format->font();
    rtbEditor_SelChange();
}
void frmPenwick::mnuFormatTextColor_Click() { m_format->textColor(); }
void frmPenwick::mnuFormatBold_Click() { m_format->bold(); }
void frmPenwick::mnuFormatItalic_Click() { m_format->italic(); }
void frmPenwick::mnuFormatUnderline_Click() { m_format->underline(); }
void frmPenwick::mnuFormatRegular_Click() { m_format->regular(); }
void frmPenwick::mnuFormatAlignLeft_Click() { m_format->alignLeft(); }
void frmPenwick::mnuFormatCenter_Click() { m_format->center(); }
void frmPenwick::mnuFormatAlignRight_Click() { m_format->alignRight(); }
void frmPenwick::mnuFormatResetAll_Click()
{
    m_format->resetAll();
    rtbEditor_SelChange();
}
void frmPenwick::mnuFormatUpperCase_Click() { m_transforms->upperCase(); }
void frmPenwick::mnuFormatLowerCase_Click() { m_transforms->lowerCase(); }
void frmPenwick::mnuFormatCapitalize_Click() { m_transforms->capitalize(); }
void frmPenwick::mnuFormatInvertCase_Click() { m_transforms->invertCase(); }
void frmPenwick::mnuFormatRemoveLineBreaks_Click() { m_transforms->removeLineBreaks(); }

void frmPenwick::mnuOptions_Click() { m_options->menuOpening(); }
void frmPenwick::mnuOptionsLastPath_Click() { m_options->lastPath(); }
void frmPenwick::mnuOptionsDefPath_Click() { m_options->defPath(); }
void frmPenwick::mnuOptionsFont_Click() { m_options->defaultFont(); }
void frmPenwick::mnuOptionsFontSize_Click() { m_options->defaultFontSize(); }

void frmPenwick::mnuOptionsAlwaysOnTop_Click()
{
    ApplyAlwaysOnTop();
}

void frmPenwick::mnuHelpHelpTopics_Click() { m_help->helpTopics(); }
void frmPenwick::mnuHelpAbout_Click() { m_help->about(); }
