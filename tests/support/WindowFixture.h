#pragma once

#include "app/frmPenwick.h"
#include "platform/RichTextBox.h"

#include "MenuLookup.h"
#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QTemporaryDir>

#include <tuple>

// What most window tests start from: a main window in a throw-away settings store, its
// questions answered from a script, and a folder for the files a test needs.
struct WindowFixture {
    TemporaryConfigHome home;
    QTemporaryDir dir;
    ScriptedScope answers;
    frmPenwick window;
    RichTextBox &editor = window.rtbEditor();

    // Writes a file into the folder (failing the test when it cannot) and gives its path.
    QString file(const QString &name, const QByteArray &bytes);
    // Answers the Open dialog with path and runs File > Open.
    void open(const QString &path);
    auto parts() { return std::tie(window, editor, answers); }
};
