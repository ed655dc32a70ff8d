#include "document/Workspace.h"

#include "platform/LocaleText.h"

#include <QFileInfo>

void ShowFileStatus(Workspace &workspace)
{
    const QFileInfo file(workspace.doc().CurrentFile);
    workspace.setPanelText(1, QStringLiteral("Modified: ") + generalDateText(file.lastModified()));
    workspace.setPanelText(2, QStringLiteral("Bytes: ") + QString::number(file.size()));
    workspace.setPanelText(6, QStringLiteral("S"));
}

void ResetFormatting(Workspace &workspace)
{
    RichTextBox &editor = workspace.rtbEditor();
    const DocumentState &doc = workspace.doc();
    // Text typed later into an emptied document takes the base font as well.
    editor.setBaseFont(doc.DefaultFont, doc.DefaultFontSize);
    editor.setSelStart(0);
    editor.setSelLength(editor.DocumentLength());
    editor.setSelFontName(doc.DefaultFont);
    editor.setSelFontSize(doc.DefaultFontSize);
    editor.setSelColor(Qt::black);
    editor.setSelBold(false);
    editor.setSelItalic(false);
    editor.setSelUnderline(false);
    editor.setSelAlignment(RichTextBox::Alignment::Left);
}

RichTextBox::FileType DocumentType(const QString &path)
{
    return IsRichTextName(path) ? RichTextBox::FileType::Rtf : RichTextBox::FileType::Text;
}
