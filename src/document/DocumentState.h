#pragma once

#include <QString>

// The document state the whole program shares; the main window holds the one instance.
struct DocumentState {
    QString CurrentFile;  // full path; empty while untitled
    bool FileChanged = false;
    QString DefaultFont = QStringLiteral("Arial");
    qint16 DefaultFontSize = 10;
    QString DefaultOpenPath;
    QString OpenDialogPath;
    QString LastOpenPath;  // the folder of the last file opened, stored at exit when asked

    // The document's own type: an untitled one is plain text until saved as RTF.
    bool isRichText() const;
};

// A name is a rich-text document when it ends in "rtf", in any letter case (no dot needed).
bool IsRichTextName(const QString &name);
