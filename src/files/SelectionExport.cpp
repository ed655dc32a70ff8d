#include "files/SelectionExport.h"

#include "document/Workspace.h"
#include "files/FileFilters.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/SafeFileWrite.h"
#include "platform/TextFileCodec.h"
#include "platform/rtf/RtfReader.h"
#include "platform/rtf/RtfWriter.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

namespace {

// Document text with every kind of break as '\n', other characters untouched.
QString withNewlines(QString raw)
{
    for (QChar &c : raw) {
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator)
            c = u'\n';
    }
    return raw;
}

QString toNewlines(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(u'\r', u'\n');
    return text;
}

} // namespace

namespace selectionexport {

QByteArray selectionFileBytes(const QByteArray &selectionRtf, const QFont &baseFont, bool richText)
{
    QTextDocument document;
    document.setDefaultFont(baseFont);
    if (!selectionRtf.isEmpty()) {
        QTextCursor cursor(&document);
        rtf::insertRtf(cursor, selectionRtf);
    }
    if (richText)
        return rtf::documentToRtf(document);
    return encodeText(withNewlines(document.toRawText()), TextFileFormat());
}

QByteArray appendRecord(const QString &text, const std::optional<QByteArray> &existing)
{
    TextFileFormat format;
    if (existing && !existing->isEmpty())
        format = decodeText(*existing).format;
    format.byteOrderMark = false;
    return encodeText(toNewlines(text) + QLatin1Char('\n'), format);
}

bool appendToFile(const QString &path, const QString &text, QString *error)
{
    QFile file(path);
    std::optional<QByteArray> existing;
    if (QFileInfo::exists(path)) {
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file.errorString();
            return false;
        }
        existing = file.readAll();
        file.close();
    }
    const QByteArray record = appendRecord(text, existing);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(record) != record.size() || !file.flush()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.close();
    return file.error() == QFileDevice::NoError;
}

} // namespace selectionexport

SelectionExport::SelectionExport(Workspace &workspace)
    : m_workspace(workspace)
{
}

bool SelectionExport::ShowSaveSelectionDialog()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.DialogTitle = QStringLiteral("Save Selection As...");
    dialog.CancelError = true;
    dialog.DefaultExt = QStringLiteral("TXT");
    dialog.Filter = filefilters::documents();
    dialog.Flags = CommonDialog::Option::OverwritePrompt;
    return dialog.ShowSave();
}

void SelectionExport::saveSelectionAs()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    DocumentState &doc = m_workspace.doc();
    const QByteArray selection = editor.SelRTF();
    // The changes are given up only once the selection has replaced them.
    if (!m_workspace.MayDiscardChanges())
        return;

    if (!ShowSaveSelectionDialog()) {
        editor.setFocus();
        return;
    }
    const QString path = m_workspace.dlgCommonDialog().FileName;
    const bool richText = IsRichTextName(path);

    // The new file is written before the editor gives anything up, so a failed write
    // leaves the document, its name and its changes as they were.
    QFont baseFont = editor.baseFont();
    baseFont.setFamilies({doc.DefaultFont});
    baseFont.setPointSizeF(doc.DefaultFontSize);
    if (!writeFileSafely(path, selectionexport::selectionFileBytes(selection, baseFont, richText))) {
        showSaveError(path);
        return;
    }

    ResetFormatting(m_workspace);
    editor.setSelRTF(selection);
    // The file was written as UTF-8 with LF breaks; later saves keep it that way.
    editor.setPlainTextFormat(TextFileFormat());
    doc.CurrentFile = path;
    m_workspace.UpdateCaption();
    doc.FileChanged = false;
    editor.setFocus();
    ShowFileStatus(m_workspace);
}

void SelectionExport::appendSelectionTo()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.DialogTitle = QStringLiteral("Append Selection To...");
    dialog.CancelError = true;
    dialog.DefaultExt = QStringLiteral("TXT");
    dialog.Filter = filefilters::appendTargets();
    // Flags stay as the last use left them, but an append never asks about overwriting.
    const CommonDialog::Options keptFlags = dialog.Flags;
    dialog.Flags.setFlag(CommonDialog::Option::OverwritePrompt, false);
    const bool chosen = dialog.ShowSave();
    dialog.Flags = keptFlags;
    if (!chosen)
        return;

    const QString path = dialog.FileName;
    if (!selectionexport::appendToFile(path, m_workspace.rtbEditor().SelText()))
        showSaveError(path);
}

void SelectionExport::showSaveError(const QString &path)
{
    prompter().messageBox(&m_workspace.mainWindow(), QStringLiteral("Unknown error while saving file ") + path,
                          msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("File Error"));
}
