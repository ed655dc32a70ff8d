#include "files/DocumentCommands.h"

#include "document/Workspace.h"
#include "files/FileFilters.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QScopeGuard>

#include <algorithm>
#include <memory>

namespace {

// A menu caption showing the path itself: an ampersand is no access key here.
QString captionFor(const QString &path)
{
    QString caption = path;
    caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    return caption;
}

} // namespace

DocumentCommands::DocumentCommands(Workspace &workspace, const RecentMenu &recentMenu)
    : m_workspace(workspace)
    , m_recentMenu(recentMenu)
{
    addMruElement(m_recentMenu.first);
}

DocumentCommands::~DocumentCommands() = default;

void DocumentCommands::open()
{
    if (!m_workspace.MayDiscardChanges())
        return;
    if (!ShowOpenDialog())
        return;
    // Listed before the load, so a file that then fails to load is still on top.
    AddMRUItem(m_workspace.dlgCommonDialog().FileName);
    LoadDocument();
}

bool DocumentCommands::ShowOpenDialog()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.DialogTitle = QStringLiteral("Open");
    dialog.CancelError = true;
    dialog.DefaultExt = QStringLiteral("TXT");
    dialog.Flags = CommonDialog::Option::FileMustExist;
    dialog.Filter = filefilters::documents();
    dialog.InitDir = m_workspace.doc().OpenDialogPath;
    if (!dialog.ShowOpen())
        return false;
    if (!dialog.FileName.isEmpty())
        StoreLastPath();
    return !dialog.FileName.isEmpty();
}

void DocumentCommands::StoreLastPath()
{
    const CommonDialog &dialog = m_workspace.dlgCommonDialog();
    const QString &name = dialog.FileName;
    const QString &title = dialog.FileTitle;
    if (!title.isEmpty() && name.endsWith(title)) {
        m_workspace.doc().LastOpenPath = name.left(name.size() - title.size());
        return;
    }
    // A title that does not belong to the name: the folder of the name itself.
    const QString bare = QFileInfo(name).fileName();
    m_workspace.doc().LastOpenPath = name.left(name.size() - bare.size());
}

bool DocumentCommands::LoadDocument()
{
    const QString path = m_workspace.dlgCommonDialog().FileName;
    QString reason;
    if (loadFile(path, &reason))
        return true;
    showOpenFileError(path, reason);
    return false;
}

// An RTF save writes back everything the document was read with that Penwick can keep; what
// it cannot is named first, once, so that nothing goes without the user knowing.
bool DocumentCommands::confirmUnkeptParts(const QString &path)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const QStringList unkept = editor.UnkeptParts();
    if (unkept.isEmpty() || DocumentType(path) != RichTextBox::FileType::Rtf)
        return true;
    const QString text = QStringLiteral("This document holds parts that Penwick cannot write back in "
                                        "Rich Text Format. Saving it leaves them out:\n\n")
                         + unkept.join(u'\n') + QStringLiteral("\n\nSave anyway?");
    if (prompter().messageBox(&m_workspace.mainWindow(), text, msgbox::YesNo | msgbox::Exclamation, QStringLiteral("Save"))
        != msgbox::Yes)
        return false;
    editor.ForgetUnkeptParts();
    return true;
}

bool DocumentCommands::writeDocument(const QString &path)
{
    // The window may come back to the front while a save asks or reports something: the file
    // changing then is this save's own doing.
    m_checkingDisk = true;
    const auto done = qScopeGuard([this] { m_checkingDisk = false; });
    RichTextBox &editor = m_workspace.rtbEditor();
    if (!confirmUnkeptParts(path))
        return false;
    QString error;
    if (!editor.SaveFile(path, DocumentType(path), &error)) {
        prompter().messageBox(&m_workspace.mainWindow(), QStringLiteral("Unknown error while saving file ") + path,
                              msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("File Error"));
        return false;
    }
    return true;
}

bool DocumentCommands::save()
{
    DocumentState &doc = m_workspace.doc();
    if (doc.CurrentFile.isEmpty())
        return saveAs();
    if (!mayOverwriteOutsideChange() || !writeDocument(doc.CurrentFile))
        return false;
    showSaved();
    return true;
}

void DocumentCommands::showSaved()
{
    noteOnDisk();
    m_workspace.UpdateCaption();
    m_workspace.doc().FileChanged = false;
    m_workspace.rtbEditor().setFocus();
    ShowFileStatus(m_workspace);
}

bool DocumentCommands::saveAs()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.DialogTitle = QStringLiteral("Save As...");
    dialog.CancelError = true;
    dialog.DefaultExt = QStringLiteral("TXT");
    dialog.Filter = filefilters::documents();
    dialog.Flags = CommonDialog::Option::OverwritePrompt;
    if (!dialog.ShowSave()) {
        m_workspace.rtbEditor().setFocus();
        return false;
    }
    const QString path = dialog.FileName;
    if (!writeDocument(path))
        return false;
    m_workspace.doc().CurrentFile = path;
    showSaved();
    return true;
}

void DocumentCommands::openRecent(int index)
{
    if (index < 0 || index > m_mru.last())
        return;
    if (!m_workspace.MayDiscardChanges())
        return;
    m_mru.moveToTop(m_mru.at(index), index);
    showMruList();
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.FileName = m_mru.at(0);
    // The dialog was not shown, so its title is made to match the entry: the last open path
    // becomes the entry's own folder.
    dialog.FileTitle = QFileInfo(dialog.FileName).fileName();
    StoreLastPath();
    LoadDocument();
}

bool DocumentCommands::loadAtStartup(const QString &path)
{
    QString reason;
    if (!loadFile(path, &reason)) {
        showOpenFileError(path, reason);
        return false;
    }
    m_workspace.dlgCommonDialog().FileName = path;
    return true;
}

bool DocumentCommands::loadFile(const QString &path, QString *error)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    DocumentState &doc = m_workspace.doc();
    const QString previousPath = doc.CurrentFile;
    // Changes not on disk are kept aside until the new file is in: a failed load gives them back.
    std::optional<RichTextBox::Snapshot> edits;
    if (doc.FileChanged)
        edits = editor.snapshot();

    editor.setText(QString());
    ResetFormatting(m_workspace);
    // A rich-text file has no plain-text form of its own: saved as text later, it is written
    // the way new documents are.
    editor.setPlainTextFormat(TextFileFormat());
    if (!editor.LoadFile(path, DocumentType(path), error)) {
        if (edits)
            restoreUnsavedEdits(*edits);
        else
            restoreAfterFailedLoad(previousPath);
        return false;
    }
    editor.setFocus();
    doc.CurrentFile = path;
    noteOnDisk();
    m_workspace.UpdateCaption();
    ShowFileStatus(m_workspace);
    doc.FileChanged = false;
    return true;
}

void DocumentCommands::restoreUnsavedEdits(const RichTextBox::Snapshot &edits)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    editor.restore(edits);
    editor.setSelStart(0);
    editor.setFocus();
    // The insertion marked the document modified again, which is what it is.
    m_workspace.doc().FileChanged = true;
}

void DocumentCommands::restoreAfterFailedLoad(const QString &previousPath)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    DocumentState &doc = m_workspace.doc();
    editor.setFocus();
    if (!previousPath.isEmpty()) {
        ResetFormatting(m_workspace);
        if (editor.LoadFile(previousPath, DocumentType(previousPath))) {
            editor.setSelStart(0);
            doc.CurrentFile = previousPath;
            noteOnDisk();
            doc.FileChanged = false;
            // The document is its file again; the reload's own change notices do not make it modified.
            m_workspace.setPanelText(6, QStringLiteral("S"));
            return;
        }
    }
    // Never leave an emptied editor bound to a file it does not hold.
    m_workspace.NewDocument();
}

void DocumentCommands::showOpenFileError(const QString &path, const QString &reason)
{
    // "File not found." would send the user looking for a file that is there but unreadable
    // or not what its name says.
    const QString why = QFileInfo::exists(path) && !reason.isEmpty() ? reason : QStringLiteral("File not found.");
    prompter().messageBox(&m_workspace.mainWindow(), path + QStringLiteral("\r\nError while attempting to open file!\r\n") + why,
                          msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("Open File Error"));
}

void DocumentCommands::AddMRUItem(const QString &path)
{
    m_mru.add(path);
    showMruList();
}

void DocumentCommands::addMruElement(QAction &element)
{
    const int index = int(m_mruElements.size());
    element.setData(index);
    QObject::connect(&element, &QAction::triggered, &element, [this, index] { openRecent(index); });
    m_mruElements << &element;
}

QAction &DocumentCommands::mruElement(int index)
{
    while (m_mruElements.size() <= index) {
        auto *element = new QAction(&m_workspace.mainWindow());
        element->setObjectName(m_recentMenu.first.objectName());
        m_recentMenu.file.insertAction(&m_recentMenu.end, element);
        addMruElement(*element);
    }
    return *m_mruElements[index];
}

void DocumentCommands::showMruList()
{
    for (int i = 0; i < m_mru.size(); ++i) {
        QAction &element = mruElement(i);
        element.setText(captionFor(m_mru.at(i)));
        element.setVisible(true);
    }
}

void DocumentCommands::loadMruList()
{
    m_mru.load();
    showMruList();
}

void DocumentCommands::saveMruList()
{
    m_mru.save();
}

void DocumentCommands::noteOnDisk()
{
    m_onDiskPath = m_workspace.doc().CurrentFile;
    m_onDisk = DiskSnapshot::of(m_onDiskPath);
    m_keptOverOutsideChange = false;
}

void DocumentCommands::checkOutsideChange()
{
    DocumentState &doc = m_workspace.doc();
    if (doc.CurrentFile.isEmpty() || m_checkingDisk)
        return;
    // A document that became bound to its file some other way than a load or a save here:
    // what is on disk now is where its story starts.
    if (doc.CurrentFile != m_onDiskPath) {
        noteOnDisk();
        return;
    }
    const DiskSnapshot now = DiskSnapshot::of(doc.CurrentFile);
    if (now == m_onDisk)
        return;
    m_checkingDisk = true;
    const auto done = qScopeGuard([this] { m_checkingDisk = false; });
    // Asked about once: the answer holds until the file changes again.
    m_onDisk = now;
    const QString path = doc.CurrentFile;
    if (!now.exists) {
        doc.FileChanged = true;
        m_workspace.setPanelText(6, QStringLiteral("M"));
        prompter().messageBox(&m_workspace.mainWindow(),
                              QStringLiteral("The file ") + path
                                  + QStringLiteral(" has been deleted or moved by another program.\r\n"
                                                   "Its text stays here; save it to keep it."),
                              msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("File Changed"));
        return;
    }
    if (!doc.FileChanged) {
        reloadKeepingPlace();
        return;
    }
    if (askReloadOverEdits(path))
        reloadKeepingPlace();
}

bool DocumentCommands::askReloadOverEdits(const QString &path)
{
    const msgbox::Answer answer = prompter().messageBox(
        &m_workspace.mainWindow(),
        QStringLiteral("The file ") + path
            + QStringLiteral(" has been changed by another program.\r\n"
                             "Do you want to reload it? Your changes here will be lost.\r\n"
                             "No keeps your text; saving it will then ask before it replaces the other program's."),
        msgbox::YesNo | msgbox::Exclamation, QStringLiteral("File Changed"));
    if (answer == msgbox::Yes)
        return true;
    m_keptOverOutsideChange = true;
    return false;
}

void DocumentCommands::reloadKeepingPlace()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const int caret = editor.SelStart();
    const QString path = m_workspace.doc().CurrentFile;
    // Marked modified, the text is kept aside by the load and given back when the file cannot
    // be read now: the document stays as it was, no longer what is on disk.
    m_workspace.doc().FileChanged = true;
    QString reason;
    if (!loadFile(path, &reason)) {
        showOpenFileError(path, reason);
        return;
    }
    editor.setSelStart(std::min(caret, editor.DocumentLength()));
}

bool DocumentCommands::mayOverwriteOutsideChange()
{
    const QString path = m_workspace.doc().CurrentFile;
    if (path != m_onDiskPath)
        return true;
    const DiskSnapshot now = DiskSnapshot::of(path);
    if (!now.exists)
        return true; // nothing of another program's to replace
    if (now != m_onDisk) {
        m_onDisk = now;
        if (askReloadOverEdits(path)) {
            reloadKeepingPlace();
            return false;
        }
    }
    if (!m_keptOverOutsideChange)
        return true;
    return prompter().messageBox(&m_workspace.mainWindow(),
                                 QStringLiteral("The file ") + path
                                     + QStringLiteral(" was changed by another program.\r\n"
                                                      "Do you want to replace it with your text?"),
                                 msgbox::YesNo | msgbox::Exclamation, QStringLiteral("Save"))
        == msgbox::Yes;
}
