#include "search/StatisticsCommands.h"

#include "document/Workspace.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "search/WordCount.h"

namespace {

const QString kSelectionPrefix = QStringLiteral("The selection contains: ");
const QString kDocumentPrefix = QStringLiteral("This document contains: ");

} // namespace

StatisticsCommands::StatisticsCommands(Workspace &workspace)
    : m_workspace(workspace)
{
}

void StatisticsCommands::report(const QString &prefix, qint64 count, const QString &suffix, const QString &title)
{
    prompter().messageBox(&m_workspace.mainWindow(), prefix + QString::number(count) + suffix, msgbox::OKOnly | msgbox::Information,
                          title);
}

void StatisticsCommands::characterCount()
{
    const RichTextBox &editor = m_workspace.rtbEditor();
    const qsizetype selected = editor.SelText().size();
    if (selected < 1)
        report(kDocumentPrefix, editor.Text().size(), QStringLiteral(" characters"), QStringLiteral("Character Count"));
    else
        report(kSelectionPrefix, selected, QStringLiteral(" characters"), QStringLiteral("Character Count"));
}

void StatisticsCommands::wordCount()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    editor.setMousePointer(RichTextBox::Pointer::Busy);
    const bool selected = editor.SelLength() != 0;
    const int count = WordCount(selected ? editor.SelText() : editor.Text());
    // The hourglass stays until the report is closed.
    report(selected ? kSelectionPrefix : kDocumentPrefix, count, QStringLiteral(" words."),
           QStringLiteral("Word Count"));
    editor.setMousePointer(RichTextBox::Pointer::Default);
}

void StatisticsCommands::lineCount()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    if (editor.SelLength() != 0) {
        editor.setMousePointer(RichTextBox::Pointer::Busy);
        const int count = CountLineBreaks(editor.SelText()) + 1;
        editor.setMousePointer(RichTextBox::Pointer::Default);
        report(kSelectionPrefix, count, QStringLiteral(" line(s.)"), QStringLiteral("Line Count"));
    } else {
        report(kDocumentPrefix, editor.LineCount(), QStringLiteral(" lines."), QStringLiteral("Line Count"));
    }
}
