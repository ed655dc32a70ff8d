#include "format/FormatCommands.h"

#include "document/Workspace.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include <QAction>

FormatCommands::FormatCommands(Workspace &workspace, const Items &items)
    : m_workspace(workspace)
    , m_items(items)
{
}

void FormatCommands::font()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::Option::FontEffects;
    // A mixed selection proposes no face, no size or no style.
    dialog.FontName = editor.SelFontName().value_or(QString());
    dialog.FontSize = editor.SelFontSize().value_or(0.0f);
    if (const std::optional<bool> bold = editor.SelBold())
        dialog.FontBold = *bold;
    else
        dialog.Flags |= CommonDialog::Option::NoStyleSelection;
    if (const std::optional<bool> italic = editor.SelItalic())
        dialog.FontItalic = *italic;
    else
        dialog.Flags |= CommonDialog::Option::NoStyleSelection;

    const std::optional<bool> underline = editor.SelUnderline();
    const std::optional<bool> strikeOut = editor.SelStrikeThru();
    dialog.FontUnderline = underline.value_or(false);
    dialog.FontStrikethru = strikeOut.value_or(false);

    if (!dialog.ShowFont()) {
        editor.setFocus();
        return;
    }
    // All four apply to the whole selection, also those the user left alone.
    if (!dialog.FontName.isEmpty())
        editor.setSelFontName(dialog.FontName);
    editor.setSelFontSize(dialog.FontSize);
    editor.setSelBold(dialog.FontBold);
    editor.setSelItalic(dialog.FontItalic);
    // The effects' boxes cannot show a mix: one left clear keeps the selection's mix.
    if (underline || dialog.FontUnderline)
        editor.setSelUnderline(dialog.FontUnderline);
    if (strikeOut || dialog.FontStrikethru)
        editor.setSelStrikeThru(dialog.FontStrikethru);
}

void FormatCommands::textColor()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    dialog.CancelError = true;
    dialog.Flags = {};
    if (!dialog.ShowColor()) {
        editor.setFocus();
        return;
    }
    editor.setSelColor(dialog.Color);
}

// The marks have already changed when these run: they say what the user asked for.
void FormatCommands::bold()
{
    m_workspace.rtbEditor().setSelBold(m_items.bold.isChecked());
}

void FormatCommands::italic()
{
    m_workspace.rtbEditor().setSelItalic(m_items.italic.isChecked());
}

void FormatCommands::underline()
{
    m_workspace.rtbEditor().setSelUnderline(m_items.underline.isChecked());
}

void FormatCommands::regular()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    editor.setSelBold(false);
    editor.setSelItalic(false);
    editor.setSelUnderline(false);
    m_items.bold.setChecked(false);
    m_items.italic.setChecked(false);
    m_items.underline.setChecked(false);
}

void FormatCommands::alignLeft()
{
    m_workspace.rtbEditor().setSelAlignment(RichTextBox::Alignment::Left);
}

void FormatCommands::center()
{
    m_workspace.rtbEditor().setSelAlignment(RichTextBox::Alignment::Center);
}

void FormatCommands::alignRight()
{
    m_workspace.rtbEditor().setSelAlignment(RichTextBox::Alignment::Right);
}

void FormatCommands::resetAll()
{
    ResetFormatting(m_workspace);
    m_workspace.rtbEditor().setSelStart(0);
}
