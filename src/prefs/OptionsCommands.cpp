#include "prefs/OptionsCommands.h"

#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include <QAction>
#include <QPushButton>

OptionsCommands::OptionsCommands(frmPenwick &main)
    : m_main(main)
{
}

void OptionsCommands::menuOpening()
{
    const DocumentState &doc = m_main.doc();
    m_main.action("mnuOptionsFont")->setText(QStringLiteral("Default Font: ") + doc.DefaultFont);
    m_main.action("mnuOptionsFontSize")
        ->setText(QStringLiteral("Default Font Size: ") + QString::number(doc.DefaultFontSize) + QStringLiteral(" pts"));
    QAction *defPath = m_main.action("mnuOptionsDefPath");
    defPath->setText(defPath->isChecked() ? QStringLiteral("&Default Open Path Set")
                                          : QStringLiteral("Select &Default Open Path..."));
}

void OptionsCommands::lastPath()
{
    QAction *item = m_main.action("mnuOptionsLastPath");
    item->setChecked(!item->isChecked());
    if (item->isChecked())
        m_main.action("mnuOptionsDefPath")->setChecked(false);
    UpdateOpenPathOptions();
}

void OptionsCommands::defPath()
{
    if (m_main.action("mnuOptionsDefPath")->isChecked()) {
        UpdateOpenPathOptions();
        return;
    }
    SetTopmost(0, &m_main);
    frmDirDialog picker(m_main, &m_main);
    picker.cmdAdd()->setText(QStringLiteral("OK"));
    picker.cmdClose()->setText(QStringLiteral("Cancel"));
    prompter().execDialog(picker);
    picker.unload();
}

void OptionsCommands::UpdateOpenPathOptions()
{
    DocumentState &doc = m_main.doc();
    QAction *defPath = m_main.action("mnuOptionsDefPath");
    if (m_main.action("mnuOptionsLastPath")->isChecked()) {
        doc.OpenDialogPath = m_main.LastOpenPath;
    } else {
        defPath->setChecked(false);
        doc.OpenDialogPath.clear();
    }
    // Turning the default path off keeps the folder itself; only the flag changes.
    settings::SaveDefPath.write(defPath->isChecked());
    settings::DefPath.write(doc.DefaultOpenPath);
}

bool OptionsCommands::showDefaultFontDialog()
{
    CommonDialog &dialog = m_main.dlgCommonDialog();
    const DocumentState &doc = m_main.doc();
    dialog.CancelError = true;
    dialog.Flags = CommonDialog::CFScreenAndPrinterFonts | CommonDialog::CFForceFontExist;
    dialog.FontName = doc.DefaultFont;
    dialog.FontSize = float(doc.DefaultFontSize);
    if (!dialog.ShowFont()) {
        m_main.rtbEditor().setFocus();
        return false;
    }
    return true;
}

void OptionsCommands::defaultFont()
{
    if (!showDefaultFontDialog())
        return;
    DocumentState &doc = m_main.doc();
    doc.DefaultFont = m_main.dlgCommonDialog().FontName;
    settings::Font.write(doc.DefaultFont);
}

void OptionsCommands::defaultFontSize()
{
    if (!showDefaultFontDialog())
        return;
    DocumentState &doc = m_main.doc();
    doc.DefaultFontSize = settings::roundHalfEvenToInt16(m_main.dlgCommonDialog().FontSize);
    settings::FontSize.write(doc.DefaultFontSize);
}
