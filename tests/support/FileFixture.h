#pragma once

#include "WindowFixture.h"

#include <QAction>
#include <QMenu>

// The window fixture with the steps the file and favourites tests keep taking.
struct FileFixture : WindowFixture {
    // Types text at the end of the document.
    void type(const QString &text)
    {
        editor.setSelStart(editor.DocumentLength());
        editor.setSelText(text);
    }
    // Opens the File menu, which refreshes its enabled items, and picks the item when it is enabled.
    bool fromFileMenu(const char *item)
    {
        emit menu(window, "mnuFile")->aboutToShow();
        QAction *chosen = action(window, item);
        const bool enabled = chosen->isEnabled();
        if (enabled)
            chosen->trigger();
        return enabled;
    }
    // Caption, the saved-state panel and the modified flag, compared in one go.
    QString status()
    {
        return window.windowTitle() + QStringLiteral(" | ") + window.panelText(6)
            + (window.doc().FileChanged ? QStringLiteral(" | modified") : QString());
    }
    // Every message shown so far, each as "title: text".
    QStringList shown()
    {
        QStringList result;
        for (const ScriptedPrompter::Message &message : answers->messages)
            result << message.title + QStringLiteral(": ") + message.text;
        return result;
    }
};

// The question asked before the changes to the document saved as path are given up.
inline QString changedQuestion(const QString &path)
{
    return QStringLiteral("Penwick: The file ") + path
        + QStringLiteral(" has changed.\r\nDo you want to save the changes?");
}
