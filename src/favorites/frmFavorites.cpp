#include "favorites/frmFavorites.h"

#include "document/Workspace.h"
#include "favorites/FavoritesList.h"
#include "files/DocumentCommands.h"
#include "files/FileFilters.h"
#include "platform/AppInfo.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include <QAction>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace {

const QString kNone = QStringLiteral("None...");


void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    const double k = twipsPerPixel();
    widget->setGeometry(qRound(left / k), qRound(top / k), qRound(width / k), qRound(height / k));
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption, int left, int top)
{
    auto *result = new QPushButton(caption, parent);
    result->setObjectName(QLatin1String(name));
    placeTwips(result, left, top, 1575, 375);
    return result;
}

} // namespace

frmFavorites::frmFavorites(Workspace &workspace, DocumentCommands &documents, QAction &saveWinState,
                           const OpenPathItems &openPaths, QWidget *parent)
    : FormDialog(parent)
    , m_workspace(workspace)
    , m_documents(documents)
    , m_saveWinState(saveWinState)
    , m_openPaths(openPaths)
    , m_dialog(std::make_unique<CommonDialog>(this))
{
    setObjectName(QStringLiteral("frmFavorites"));
    setWindowTitle(QStringLiteral("Favorite Files & Folders"));
    const double k = twipsPerPixel();
    setFixedSize(qRound(5415 / k), qRound(5655 / k));

    auto *fraFavFiles = new QGroupBox(QStringLiteral("Favorite Files and Folders:"), this);
    fraFavFiles->setObjectName(QStringLiteral("fraFavFiles"));
    placeTwips(fraFavFiles, 120, 120, 5175, 4455);

    m_lstFavs = new QListWidget(fraFavFiles);
    m_lstFavs->setObjectName(QStringLiteral("lstFavs"));
    m_lstFavs->setSelectionMode(QAbstractItemView::SingleSelection);
    placeTwips(m_lstFavs, 120, 360, 3255, 3960);

    m_cmdOpenSelected = button(fraFavFiles, "cmdOpenSelected", QStringLiteral("&Open Selected"), 3480, 360);
    m_cmdOpenSelected->setDefault(true);
    m_cmdOpenSelected->setEnabled(false);
    auto *cmdAddFiles = button(fraFavFiles, "cmdAddFiles", QStringLiteral("Add &Files..."), 3480, 1080);
    auto *cmdAddFolders = button(fraFavFiles, "cmdAddFolders", QStringLiteral("Add Fol&ders..."), 3480, 1560);
    m_cmdAddActive = button(fraFavFiles, "cmdAddActive", QStringLiteral("Add &Active File"), 3480, 2040);
    m_cmdAddActive->setEnabled(false);
    m_cmdRemove = button(fraFavFiles, "cmdRemove", QStringLiteral("&Remove Selected"), 3480, 2760);
    m_cmdRemove->setEnabled(false);
    auto *cmdClearList = button(fraFavFiles, "cmdClearList", QStringLiteral("Cl&ear List"), 3480, 3240);

    auto *frame1 = new QGroupBox(QStringLiteral("Selected File or Folder:"), this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    placeTwips(frame1, 120, 4680, 3375, 855);
    m_lblSelected = new QLabel(kNone, frame1);
    m_lblSelected->setObjectName(QStringLiteral("lblSelected"));
    placeTwips(m_lblSelected, 240, 360, 3015, 375);

    auto *cmdHelp = button(this, "cmdHelp", QStringLiteral("&Help"), 3600, 4680);
    m_cmdClose = button(this, "cmdClose", QStringLiteral("&Close"), 3600, 5160);

    setTabOrder(m_lstFavs, m_cmdOpenSelected);
    setTabOrder(m_cmdOpenSelected, cmdAddFiles);
    setTabOrder(cmdAddFiles, cmdAddFolders);
    setTabOrder(cmdAddFolders, m_cmdRemove);
    setTabOrder(m_cmdRemove, m_cmdAddActive);
    setTabOrder(m_cmdAddActive, cmdHelp);
    setTabOrder(cmdHelp, m_cmdClose);
    setTabOrder(m_cmdClose, cmdClearList);
    m_lstFavs->setFocus();

    connect(m_lstFavs, &QListWidget::itemSelectionChanged, this, &frmFavorites::lstFavs_Click);
    connect(m_lstFavs, &QListWidget::itemDoubleClicked, this, &frmFavorites::cmdOpenSelected_Click);
    connect(m_cmdOpenSelected, &QPushButton::clicked, this, &frmFavorites::cmdOpenSelected_Click);
    connect(cmdAddFiles, &QPushButton::clicked, this, &frmFavorites::cmdAddFiles_Click);
    connect(cmdAddFolders, &QPushButton::clicked, this, &frmFavorites::cmdAddFolders_Click);
    connect(m_cmdAddActive, &QPushButton::clicked, this, &frmFavorites::cmdAddActive_Click);
    connect(m_cmdRemove, &QPushButton::clicked, this, &frmFavorites::cmdRemove_Click);
    connect(cmdClearList, &QPushButton::clicked, this, &frmFavorites::cmdClearList_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frmFavorites::cmdHelp_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmFavorites::cmdClose_Click);

    Form_Load();
}

frmFavorites::~frmFavorites() = default;

void frmFavorites::Form_Load()
{
    FitFormToText(*this);
    // The stored choice wins over any change of the check made since start.
    m_saveWinState.setChecked(settings::SaveWinState.read());
    if (m_saveWinState.isChecked()) {
        QRectF bounds = formBounds(*this);
        bounds.moveTo(settings::FavsLeft.read(), settings::FavsTop.read());
        setFormBounds(*this, bounds);
    } else {
        CenterForm(*this);
    }

    for (const QString &line : favorites::readFavorites())
        m_lstFavs->addItem(line);
    m_lstFavs->setCurrentItem(nullptr);
    m_lstFavs->clearSelection();
    lstFavs_Click();
}

void frmFavorites::addLine(const QString &text)
{
    m_lstFavs->addItem(text);
}

QString frmFavorites::selectedText() const
{
    const QList<QListWidgetItem *> selected = m_lstFavs->selectedItems();
    return selected.isEmpty() ? QString() : selected.constFirst()->text();
}

void frmFavorites::lstFavs_Click()
{
    const QString text = selectedText();
    m_lblSelected->setText(text.isEmpty() ? kNone : text);
    m_cmdRemove->setEnabled(!text.isEmpty());
    m_cmdOpenSelected->setEnabled(!text.isEmpty());
}

void frmFavorites::cmdOpenSelected_Click()
{
    QString file = selectedText();
    if (!favorites::isFavoriteFile(file)) {
        m_dialog->InitDir = file;
        m_dialog->DialogTitle = QStringLiteral("Select File to Open...");
        m_dialog->Flags = CommonDialog::Option::FileMustExist;
        m_dialog->Filter = filefilters::documents();
        // A cancelled choice leaves the editor as it was.
        if (!m_dialog->ShowOpen() || m_dialog->FileName.isEmpty())
            return;
        file = m_dialog->FileName;
    }
    // A favourite that fails to load gives the editor back its previous document; the
    // window stays open without a word.
    if (!m_documents.loadFile(file))
        return;
    m_opened = true;
    hide();
    m_workspace.rtbEditor().setFocus();
    accept();
}

void frmFavorites::cmdAddFiles_Click()
{
    m_dialog->DialogTitle = QStringLiteral("Select File to Add...");
    m_dialog->CancelError = true;
    m_dialog->Flags = CommonDialog::Option::FileMustExist;
    m_dialog->Filter = filefilters::documents();
    if (!m_dialog->ShowOpen())
        return;
    if (!m_dialog->FileName.isEmpty())
        addLine(m_dialog->FileName);
}

void frmFavorites::cmdAddFolders_Click()
{
    frmDirDialog picker(m_workspace, m_openPaths, this);
    picker.cmdAdd()->setText(QStringLiteral("Add"));
    picker.cmdClose()->setText(QStringLiteral("Close"));
    connect(&picker, &frmDirDialog::folderAdded, this, &frmFavorites::addLine);
    prompter().execDialog(picker);
    picker.unload();
}

void frmFavorites::cmdAddActive_Click()
{
    addLine(m_workspace.doc().CurrentFile);
}

void frmFavorites::cmdRemove_Click()
{
    const QList<QListWidgetItem *> selected = m_lstFavs->selectedItems();
    if (!selected.isEmpty())
        delete m_lstFavs->takeItem(m_lstFavs->row(selected.constFirst()));
    // Nothing stays selected, so the label and the two buttons go back to rest.
    m_lstFavs->setCurrentItem(nullptr);
    m_lstFavs->clearSelection();
    lstFavs_Click();
}

void frmFavorites::cmdClearList_Click()
{
    const msgbox::Answer answer = prompter().messageBox(this, QStringLiteral("Are you sure you want to clear the entire list?"),
                                             msgbox::YesNo | msgbox::Question, QStringLiteral("Clear List"));
    if (answer != msgbox::Yes)
        return;
    m_lstFavs->clear();
    m_lblSelected->setText(kNone);
    m_cmdRemove->setEnabled(false);
    m_cmdOpenSelected->setEnabled(false);
}

void frmFavorites::cmdHelp_Click()
{
    m_dialog->HelpCommand = CommonDialog::HelpTopic::Keyword;
    m_dialog->HelpFile = appinfo::helpFileName();
    m_dialog->HelpKey = QStringLiteral("Favorite Files/Folders");
    QString error;
    if (!m_dialog->ShowHelp(&error))
        prompter().messageBox(this, error, msgbox::OKOnly, appinfo::title());
}

void frmFavorites::cmdClose_Click()
{
    reject();
    m_workspace.rtbEditor().setFocus();
}

void frmFavorites::keyPressEvent(QKeyEvent *event)
{
    // Esc is the Close button; the close box only closes.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmFavorites::Form_Unload()
{
    QStringList lines;
    for (int i = 0; i < m_lstFavs->count(); ++i)
        lines << m_lstFavs->item(i)->text();
    favorites::writeFavorites(lines);
    m_workspace.ApplyAlwaysOnTop();
    const QRectF bounds = formBounds(*this);
    settings::FavsLeft.write(float(bounds.left()));
    settings::FavsTop.write(float(bounds.top()));
}
