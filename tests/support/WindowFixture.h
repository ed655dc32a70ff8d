#pragma once

#include "app/frmPenwick.h"
#include "platform/RichTextBox.h"

#include "MenuLookup.h"
#include "ScriptedPrompter.h"
#include "TestEnvironment.h"
#include "WindowTestUtil.h"

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
    RichTextBox &select(int start, int length = 0) { return ::select(editor, start, length); }
    // The document holds text, counts as unchanged, and has [start, start + length) selected.
    void start(const QString &text, int start = 0, int length = 0);
    void run(const char *item) { action(window, item)->trigger(); }
    // Shows the window and waits until it has the focus, for tests of keys and focus.
    bool showActive();
    auto parts() { return std::tie(window, editor, answers); }
};
