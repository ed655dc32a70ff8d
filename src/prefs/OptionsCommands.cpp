#include "prefs/OptionsCommands.h"

#include "document/Workspace.h"
#include "platform/CommonDialog.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"
#include "prefs/SettingKeys.h"
#include "prefs/frmDirDialog.h"

#include <QAction>
#include <QPushButton>

OptionsCommands::OptionsCommands(Workspace &workspace, const Items &items)
    : m_workspace(workspace)
    , m_items(items)
{
}

void OptionsCommands::menuOpening()
{
    const DocumentState &doc = m_workspace.doc();
    m_items.defaultFont.setText(QStringLiteral("Default Font: ") + doc.DefaultFont);
    m_items.defaultFontSize.setText(QStringLiteral("Default Font Size: ") + QString::number(doc.DefaultFontSize)
                                    + QStringLiteral(" pts"));
    QAction &defPath = m_items.openPaths.defPath;
    defPath.setText(defPath.isChecked() ? QStringLiteral("&Default Open Path Set")
                                        : QStringLiteral("Select &Default Open Path..."));
}

void OptionsCommands::lastPath()
{
    if (m_items.openPaths.lastPath.isChecked())
        m_items.openPaths.defPath.setChecked(false);
    UpdateOpenPathOptions();
}

void OptionsCommands::defPath()
{
    // The mark follows the folder picker's answer, not the click: a set path stays set here
    // unless the open-path rules clear it.
    QAction &item = m_items.openPaths.defPath;
    const bool wasSet = !item.isChecked();
    item.setChecked(wasSet);
    if (wasSet) {
        UpdateOpenPathOptions();
        return;
    }
    SetTopmost(0, &m_workspace.mainWindow());
    frmDirDialog picker(m_workspace, m_items.openPaths, &m_workspace.mainWindow());
    picker.cmdAdd()->setText(QStringLiteral("OK"));
    picker.cmdClose()->setText(QStringLiteral("Cancel"));
    prompter().execDialog(picker);
    picker.unload();
}

void OptionsCommands::UpdateOpenPathOptions()
{
    DocumentState &doc = m_workspace.doc();
    QAction &defPath = m_items.openPaths.defPath;
    if (m_items.openPaths.lastPath.isChecked()) {
        doc.OpenDialogPath = doc.LastOpenPath;
    } else {
        defPath.setChecked(false);
        doc.OpenDialogPath.clear();
    }
    // Turning the default path off keeps the folder itself; only the flag changes.
    settings::SaveDefPath.write(defPath.isChecked());
    settings::DefPath.write(doc.DefaultOpenPath);
}

bool OptionsCommands::showDefaultFontDialog()
{
    CommonDialog &dialog = m_workspace.dlgCommonDialog();
    const DocumentState &doc = m_workspace.doc();
    dialog.CancelError = true;
    dialog.Flags = {};
    dialog.FontName = doc.DefaultFont;
    dialog.FontSize = float(doc.DefaultFontSize);
    if (!dialog.ShowFont()) {
        m_workspace.rtbEditor().setFocus();
        return false;
    }
    return true;
}

void OptionsCommands::defaultFont()
{
    if (!showDefaultFontDialog())
        return;
    DocumentState &doc = m_workspace.doc();
    doc.DefaultFont = m_workspace.dlgCommonDialog().FontName;
    settings::Font.write(doc.DefaultFont);
}

void OptionsCommands::defaultFontSize()
{
    if (!showDefaultFontDialog())
        return;
    DocumentState &doc = m_workspace.doc();
    doc.DefaultFontSize = settings::roundHalfEvenToInt16(m_workspace.dlgCommonDialog().FontSize);
    settings::FontSize.write(doc.DefaultFontSize);
}
