#include "format/FormatCommands.h"

#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include <QAction>

FormatCommands::FormatCommands(frmPenwick &main)
    : m_main(main)
{
}

void FormatCommands::font()
{
    RichTextBox &editor = m_main.rtbEditor();
    CommonDialog &dialog = m_main.dlgCommonDialog();
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::CFScreenAndPrinterFonts | CommonDialog::CFForceFontExist | CommonDialog::CFEffects;
    // A mixed selection proposes no face, no size or no style.
    dialog.FontName = editor.SelFontName().value_or(QString());
    dialog.FontSize = editor.SelFontSize().value_or(0.0f);
    if (const std::optional<bool> bold = editor.SelBold())
        dialog.FontBold = *bold;
    else
        dialog.Flags |= CommonDialog::CFNoStyleSel;
    if (const std::optional<bool> italic = editor.SelItalic())
        dialog.FontItalic = *italic;
    else
        dialog.Flags |= CommonDialog::CFNoStyleSel;

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
    RichTextBox &editor = m_main.rtbEditor();
    CommonDialog &dialog = m_main.dlgCommonDialog();
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::CCRGBInit;
    if (!dialog.ShowColor()) {
        editor.setFocus();
        return;
    }
    editor.setSelColor(dialog.Color);
}

bool FormatCommands::toggleMark(const char *item)
{
    QAction *mark = m_main.action(item);
    mark->setChecked(!mark->isChecked());
    return mark->isChecked();
}

void FormatCommands::bold()
{
    m_main.rtbEditor().setSelBold(toggleMark("mnuFormatBold"));
}

void FormatCommands::italic()
{
    m_main.rtbEditor().setSelItalic(toggleMark("mnuFormatItalic"));
}

void FormatCommands::underline()
{
    m_main.rtbEditor().setSelUnderline(toggleMark("mnuFormatUnderline"));
}

void FormatCommands::regular()
{
    RichTextBox &editor = m_main.rtbEditor();
    editor.setSelBold(false);
    editor.setSelItalic(false);
    editor.setSelUnderline(false);
    m_main.action("mnuFormatBold")->setChecked(false);
    m_main.action("mnuFormatItalic")->setChecked(false);
    m_main.action("mnuFormatUnderline")->setChecked(false);
}

void FormatCommands::align(const char *item, int alignment, const char *other1, const char *other2)
{
    m_main.action(item)->setChecked(true);
    m_main.rtbEditor().setSelAlignment(alignment);
    m_main.action(other1)->setChecked(false);
    m_main.action(other2)->setChecked(false);
}

void FormatCommands::alignLeft()
{
    align("mnuFormatAlignLeft", RichTextBox::rtfLeft, "mnuFormatCenter", "mnuFormatAlignRight");
}

void FormatCommands::center()
{
    align("mnuFormatCenter", RichTextBox::rtfCenter, "mnuFormatAlignLeft", "mnuFormatAlignRight");
}

void FormatCommands::alignRight()
{
    align("mnuFormatAlignRight", RichTextBox::rtfRight, "mnuFormatCenter", "mnuFormatAlignLeft");
}

void FormatCommands::resetAll()
{
    ResetFormatting(m_main);
    m_main.rtbEditor().setSelStart(0);
}
