#include "editing/EditCommands.h"

#include "document/Workspace.h"
#include "editing/InsertText.h"
#include "editing/TextDelimiters.h"
#include "platform/AppInfo.h"
#include "platform/Clipboard.h"
#include "platform/CommonDialog.h"
#include "platform/LocaleText.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"

#include <QAction>
#include <QDateTime>
#include <QFontMetrics>

EditCommands::EditCommands(Workspace &workspace, const Items &items)
    : m_workspace(workspace)
    , m_items(items)
{
}

RichTextBox &EditCommands::editor() const
{
    return m_workspace.rtbEditor();
}

void EditCommands::undo()
{
    if (txCanUndo())
        editor().Undo();
    editor().setFocus();
}

void EditCommands::cut()
{
    copy();
    deleteSelection();
}

void EditCommands::copy()
{
    if (m_workspace.doc().isRichText())
        clipboard::setRtf(editor().SelRTF(), editor().SelText());
    else
        clipboard::setPlainText(editor().SelText());
}

void EditCommands::paste()
{
    // Data offered as RTF that does not read as RTF is passed over for the next offer.
    for (const QByteArray &rtf : clipboard::rtfCandidates()) {
        if (editor().setSelRTF(rtf))
            return;
    }
    if (const std::optional<QString> text = clipboard::plainText()) {
        editor().setSelText(*text);
        return;
    }
    prompter().messageBox(&m_workspace.mainWindow(), QStringLiteral("The Clipboard does not contain valid data."),
                          msgbox::OKOnly | msgbox::Exclamation, QStringLiteral("Invalid Format"));
}

void EditCommands::deleteSelection()
{
    if (editor().SelLength() > 0)
        editor().setSelRTF(QByteArray());
}

void EditCommands::clearAll()
{
    if (!m_workspace.MayDiscardChanges())
        return;
    editor().setText(QString());
    ResetFormatting(m_workspace);
}

void EditCommands::updateEditMenu()
{
    // A selection of any length has text (a line break alone reads as CR LF), so its length
    // answers without building the selected text, which may be large.
    const bool selected = editor().SelLength() > 0;
    m_items.copy.setEnabled(selected);
    m_items.cut.setEnabled(selected);
    m_items.deleteSelection.setEnabled(selected);
    m_items.paste.setEnabled(clipboard::hasPasteableData());
    m_items.undo.setEnabled(txCanUndo());
}

bool EditCommands::txCanUndo() const
{
    return editor().CanUndo();
}

void EditCommands::selectBetween(const QString &delimiters)
{
    RichTextBox &box = editor();
    box.Span(delimiters, false, true);
    const int start = box.SelStart();
    box.Span(delimiters, true, true);
    const int end = box.SelStart() + box.SelLength();
    box.setSelStart(start);
    box.setSelLength(end - start);
}

void EditCommands::selectWord()
{
    selectBetween(delimiters::word);
}

void EditCommands::selectSentence()
{
    selectBetween(delimiters::sentence);
}

void EditCommands::selectAll()
{
    // The document's length in positions reaches its end just as the length of its text
    // (where a line break counts two) would, without building that text.
    editor().setSelStart(0);
    editor().setSelLength(editor().DocumentLength());
}

void EditCommands::insertDateTime()
{
    editor().setSelText(generalDateText(QDateTime::currentDateTime()));
}

void EditCommands::insertTime()
{
    editor().setSelText(longTimeText(QTime::currentTime()));
}

void EditCommands::insertLongDate()
{
    editor().setSelText(longDateText(QDate::currentDate()));
}

void EditCommands::insertLine()
{
    editor().setSelText(inserts::separatorLine());
}

void EditCommands::insertCustomLine()
{
    const QString character =
        prompter().inputBox(&m_workspace.mainWindow(), QStringLiteral("Enter the desired character for the line."), appinfo::title());
    const QString length =
        prompter().inputBox(&m_workspace.mainWindow(), QStringLiteral("Enter the desired length (1 to 32767 max.)"), appinfo::title());
    if (const std::optional<QString> line = inserts::customLine(character, length))
        editor().setSelText(*line);
}

void EditCommands::wordWrap()
{
    RichTextBox &box = editor();
    const double width = box.pixelsToTwips(box.width());
    // The mark has already changed: it says what the user asked for.
    if (m_items.wordWrap.isChecked()) {
        const int reserve = QFontMetrics(m_workspace.mainWindow().font()).horizontalAdvance(QStringLiteral("WW"));
        box.setRightMargin(float(width - box.pixelsToTwips(reserve)));
    } else {
        box.setRightMargin(float(width * 5));
    }
}
