#include "files/PrintCommands.h"

#include "document/Workspace.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include <QDir>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

PrintCommands::PrintCommands(Workspace &workspace)
    : m_workspace(workspace)
{
}

void PrintCommands::preferPdfWithoutPrinters()
{
    QPrinter &printer = m_workspace.dlgCommonDialog().printer();
    if (!QPrinterInfo::availablePrinterNames().isEmpty() || !printer.outputFileName().isEmpty())
        return;
    const QString current = m_workspace.doc().CurrentFile;
    const QFileInfo document(current.isEmpty() ? QDir::home().filePath(QStringLiteral("Untitled")) : current);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(document.absolutePath() + QLatin1Char('/') + document.completeBaseName()
                              + QStringLiteral(".pdf"));
}

void PrintCommands::pageSetup()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.Flags = CommonDialog::Option::PrintSetup;
    preferPdfWithoutPrinters();
    dialog.ShowPrinter();
}

void PrintCommands::print()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    RichTextBox &editor = m_workspace.rtbEditor();
    dialog.Flags = {};
    if (editor.SelLength() != 0)
        dialog.Flags |= CommonDialog::Option::PrintSelection;
    dialog.CancelError = true;
    preferPdfWithoutPrinters();
    if (!dialog.ShowPrinter()) {
        editor.setFocus();
        return;
    }
    // The selection prints whenever there is one, whatever range the dialog reports; a
    // printer that fails ends the command quietly.
    editor.SelPrint(dialog.printer());
}
