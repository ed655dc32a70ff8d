#include "files/DocumentCommands.h"

#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"

namespace {

const QString kFileFilter = QStringLiteral(
    "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf|Batch Files (*.bat)|*.bat|"
    "INI Files (*.ini)|*.ini|System Files (*.sys)|*.sys|"
    "All Text Files (.txt, .rtf, .bat, .ini, .sys, .asc, .log)|*.txt;*.rtf;*.bat;*.ini;*.sys;*.asc;*.log");

} // namespace

DocumentCommands::DocumentCommands(frmPenwick &main)
    : m_main(main)
{
}

void DocumentCommands::open()
{
}

bool DocumentCommands::writeDocument(const QString &path)
{
    RichTextBox &editor = m_main.rtbEditor();
    QString error;
    if (!editor.SaveFile(path, DocumentType(path), &error)) {
        prompter().messageBox(&m_main, QStringLiteral("Unknown error while saving file ") + path,
                              msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("File Error"));
        return false;
    }
    return true;
}

bool DocumentCommands::save()
{
    DocumentState &doc = m_main.doc();
    if (doc.CurrentFile.isEmpty())
        return saveAs();
    if (!writeDocument(doc.CurrentFile))
        return false;
    m_main.UpdateCaption();
    doc.FileChanged = false;
    m_main.rtbEditor().setFocus();
    ShowFileStatus(m_main);
    return true;
}

bool DocumentCommands::saveAs()
{
    CommonDialog &dialog = m_main.dlgCommonDialog();
    dialog.DialogTitle = QStringLiteral("Save As...");
    dialog.CancelError = true;
    dialog.DefaultExt = QStringLiteral("TXT");
    dialog.Filter = kFileFilter;
    dialog.Flags = CommonDialog::OFNOverwritePrompt;
    if (!dialog.ShowSave()) {
        m_main.rtbEditor().setFocus();
        return false;
    }
    const QString path = dialog.FileName;
    if (!writeDocument(path))
        return false;
    DocumentState &doc = m_main.doc();
    doc.CurrentFile = path;
    m_main.UpdateCaption();
    doc.FileChanged = false;
    m_main.rtbEditor().setFocus();
    ShowFileStatus(m_main);
    return true;
}

void DocumentCommands::openRecent(int index)
{
    Q_UNUSED(index);
}

bool DocumentCommands::loadAtStartup(const QString &path)
{
    if (!loadFile(path)) {
        showOpenFileError(path);
        return false;
    }
    m_main.dlgCommonDialog().FileName = path;
    return true;
}

bool DocumentCommands::loadFile(const QString &path, QString *error)
{
    RichTextBox &editor = m_main.rtbEditor();
    DocumentState &doc = m_main.doc();
    const QString previousPath = doc.CurrentFile;

    editor.setText(QString());
    ResetFormatting(m_main);
    if (!editor.LoadFile(path, DocumentType(path), error)) {
        restoreAfterFailedLoad(previousPath);
        return false;
    }
    editor.setFocus();
    doc.CurrentFile = path;
    m_main.UpdateCaption();
    ShowFileStatus(m_main);
    doc.FileChanged = false;
    return true;
}

void DocumentCommands::restoreAfterFailedLoad(const QString &previousPath)
{
    RichTextBox &editor = m_main.rtbEditor();
    DocumentState &doc = m_main.doc();
    editor.setFocus();
    if (!previousPath.isEmpty()) {
        ResetFormatting(m_main);
        if (editor.LoadFile(previousPath, DocumentType(previousPath))) {
            editor.setSelStart(0);
            doc.CurrentFile = previousPath;
            doc.FileChanged = false;
            return;
        }
    }
    // Never leave an emptied editor bound to a file it does not hold.
    m_main.NewDocument();
}

void DocumentCommands::showOpenFileError(const QString &path)
{
    prompter().messageBox(&m_main,
                          path + QStringLiteral("\r\nError while attempting to open file!\r\nFile not found."),
                          msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("Open File Error"));
}

void DocumentCommands::loadMruList()
{
}

void DocumentCommands::saveMruList()
{
}
