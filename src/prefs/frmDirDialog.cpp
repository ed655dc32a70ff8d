#include "prefs/frmDirDialog.h"

#include "document/Workspace.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"
#include "prefs/FolderTree.h"
#include "prefs/SettingKeys.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

// Stands in for the drive every machine of old had.
const QString kFallbackVolume = QStringLiteral("/");

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    const double k = twipsPerPixel();
    widget->setGeometry(qRound(left / k), qRound(top / k), qRound(width / k), qRound(height / k));
}

} // namespace

DirListBox::DirListBox(QWidget *parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, &DirListBox::openItem);
}

void DirListBox::setLocation(const QString &root, const QString &path)
{
    const QList<folders::FolderEntry> entries = folders::folderListEntries(root, path);
    const QIcon closedIcon = QIcon::fromTheme(QStringLiteral("folder"));
    const QIcon openIcon = QIcon::fromTheme(QStringLiteral("folder-open"), closedIcon);

    clear();
    QListWidgetItem *current = nullptr;
    for (const folders::FolderEntry &entry : entries) {
        auto *item = new QListWidgetItem(QString(entry.depth * 2, QLatin1Char(' ')) + entry.name, this);
        item->setData(Qt::UserRole, entry.path);
        item->setIcon(entry.open ? openIcon : closedIcon);
        if (entry.open)
            current = item;
    }
    setCurrentItem(current);
    if (current)
        scrollToItem(current);

    const QString previous = m_path;
    m_root = entries.constFirst().path;
    m_path = current ? current->data(Qt::UserRole).toString() : m_root;
    if (m_path != previous)
        emit Change();
}

void DirListBox::openItem(QListWidgetItem *item)
{
    if (item)
        setLocation(m_root, item->data(Qt::UserRole).toString());
}

void DirListBox::keyPressEvent(QKeyEvent *event)
{
    // Enter on another folder opens it; on the open folder it falls to the default button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QListWidgetItem *item = currentItem();
        if (item && item->data(Qt::UserRole).toString() != m_path) {
            openItem(item);
            return;
        }
        event->ignore();
        return;
    }
    QListWidget::keyPressEvent(event);
}

frmDirDialog::frmDirDialog(Workspace &workspace, const OpenPathItems &items, QWidget *parent)
    : FormDialog(parent)
    , m_workspace(workspace)
    , m_items(items)
{
    setObjectName(QStringLiteral("frmDirDialog"));
    setWindowTitle(QStringLiteral("Select Directory"));
    const double k = twipsPerPixel();
    setFixedSize(qRound(3720 / k), qRound(3240 / k));

    m_dirDirBox = new DirListBox(this);
    m_dirDirBox->setObjectName(QStringLiteral("dirDirBox"));
    placeTwips(m_dirDirBox, 120, 480, 2415, 2115);

    auto *lblFolder = new QLabel(QStringLiteral("Selected Folder:"), this);
    lblFolder->setObjectName(QStringLiteral("lblFolder"));
    placeTwips(lblFolder, 120, 2640, 1455, 255);

    m_lblCurrentFolder = new QLabel(this);
    m_lblCurrentFolder->setObjectName(QStringLiteral("lblCurrentFolder"));
    placeTwips(m_lblCurrentFolder, 120, 2880, 3495, 255);

    m_drvDriveBox = new QComboBox(this);
    m_drvDriveBox->setObjectName(QStringLiteral("drvDriveBox"));
    placeTwips(m_drvDriveBox, 120, 120, 2415, 315);

    m_cmdAdd = new QPushButton(QStringLiteral("Add"), this);
    m_cmdAdd->setObjectName(QStringLiteral("cmdAdd"));
    m_cmdAdd->setDefault(true);
    placeTwips(m_cmdAdd, 2640, 120, 975, 375);

    m_cmdClose = new QPushButton(QStringLiteral("Close"), this);
    m_cmdClose->setObjectName(QStringLiteral("cmdClose"));
    placeTwips(m_cmdClose, 2640, 600, 975, 375);

    setTabOrder(m_dirDirBox, m_drvDriveBox);
    setTabOrder(m_drvDriveBox, m_cmdAdd);
    setTabOrder(m_cmdAdd, m_cmdClose);
    m_dirDirBox->setFocus();

    // Both lists start on the program's current folder; the label waits for the first change.
    const QString start = QDir::currentPath();
    const QString volume = folders::volumeRootOf(start);
    for (const folders::Volume &entry : folders::mountedVolumes())
        m_drvDriveBox->addItem(entry.label, entry.root);
    m_dirDirBox->setLocation(volume, start);
    showVolumeInDriveList(m_dirDirBox->root());

    connect(m_dirDirBox, &DirListBox::Change, this, &frmDirDialog::dirDirBox_Change);
    connect(m_drvDriveBox, &QComboBox::currentIndexChanged, this, &frmDirDialog::drvDriveBox_Change);
    connect(m_cmdAdd, &QPushButton::clicked, this, &frmDirDialog::cmdAdd_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &frmDirDialog::cmdClose_Click);

    FitFormToText(*this);
    CenterForm(*this);
}

QString frmDirDialog::currentFolder() const
{
    return m_dirDirBox->Path();
}

bool frmDirDialog::favoritesMode() const
{
    return m_cmdAdd->text() == QLatin1String("Add");
}

void frmDirDialog::showVolumeInDriveList(const QString &root)
{
    const QSignalBlocker quiet(m_drvDriveBox);
    int index = m_drvDriveBox->findData(root);
    if (index < 0) {
        m_drvDriveBox->addItem(root, root);
        index = m_drvDriveBox->count() - 1;
    }
    m_drvDriveBox->setCurrentIndex(index);
}

void frmDirDialog::dirDirBox_Change()
{
    m_lblCurrentFolder->setText(m_dirDirBox->Path());
}

void frmDirDialog::drvDriveBox_Change()
{
    const QString requested = m_drvDriveBox->currentData().toString();
    const folders::DriveChange change = folders::resolveDriveChange(requested, kFallbackVolume);
    if (change.unavailable) {
        prompter().messageBox(this, QStringLiteral("This drive is currently unavailable."),
                              msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("Drive Error"));
    }
    if (change.root)
        m_dirDirBox->setLocation(*change.root, *change.root);
    // The drive list always names the volume the folder list is on.
    showVolumeInDriveList(m_dirDirBox->root());
}

void frmDirDialog::cmdAdd_Click()
{
    const QString folder = m_dirDirBox->Path();
    if (favoritesMode()) {
        emit folderAdded(folder);
        return;
    }
    DocumentState &doc = m_workspace.doc();
    doc.DefaultOpenPath = folder;
    doc.OpenDialogPath = doc.DefaultOpenPath;
    m_items.defPath.setChecked(true);
    m_items.lastPath.setChecked(false);
    settings::SaveDefPath.write(true);
    settings::DefPath.write(doc.DefaultOpenPath);
    accept();
    m_workspace.rtbEditor().setFocus();
}

void frmDirDialog::cmdClose_Click()
{
    const bool favorites = favoritesMode();
    reject();
    if (!favorites)
        m_workspace.rtbEditor().setFocus();
}

void frmDirDialog::keyPressEvent(QKeyEvent *event)
{
    // Esc is the second button, as its caption says, not a bare rejection.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdClose->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmDirDialog::Form_Unload()
{
    // Favourites restore the main window themselves when they close.
    if (!favoritesMode())
        m_workspace.ApplyAlwaysOnTop();
}
