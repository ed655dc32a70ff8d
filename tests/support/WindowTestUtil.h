#pragma once

#include "app/frmPenwick.h"
#include "platform/WindowGeometry.h"

#include "MenuLookup.h"
#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

// Small steps and checks the window and dialog tests share.
// Selects [start, start + length) and gives the box, for a check on what is selected.
inline RichTextBox &select(RichTextBox &box, int start, int length = 0)
{
    box.setSelStart(start);
    box.setSelLength(length);
    return box;
}

inline bool isTopmost(const QWidget &window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// Pixel rounding keeps a twips figure within one pixel.
inline bool nearTwips(double actual, double expected)
{
    return std::abs(actual - expected) <= twipsPerPixel();
}

inline bool nearTwips(const QRectF &actual, const QRectF &expected)
{
    return nearTwips(actual.left(), expected.left()) && nearTwips(actual.top(), expected.top())
        && nearTwips(actual.width(), expected.width()) && nearTwips(actual.height(), expected.height());
}

// The last message box asked, in full: text, buttons and icon, caption.
inline void checkLastMessage(const ScriptedPrompter &answers, const QString &text, msgbox::Style style,
                             const QString &title)
{
    QVERIFY(!answers.messages.isEmpty());
    QCOMPARE(answers.messages.last().text, text);
    QCOMPARE(answers.messages.last().style, style);
    QCOMPARE(answers.messages.last().title, title);
}

// For tests that write the settings a window starts from: a fresh store, scripted answers
// and a folder; the window is made on first use, or afresh by remake.
struct WindowLater {
    TemporaryConfigHome home;
    QTemporaryDir dir;
    ScriptedScope answers;
    std::unique_ptr<frmPenwick> made;

    frmPenwick &window() { return made ? *made : remake(); }
    frmPenwick &remake(const QString &commandLine = QString())
    {
        made.reset();
        made = std::make_unique<frmPenwick>(commandLine);
        return *made;
    }
    QAction *item(const char *name) { return action(window(), name); }
};
