#include "WindowFixture.h"

#include <QAction>
#include <QTest>

QString WindowFixture::file(const QString &name, const QByteArray &bytes)
{
    const QString path = dir.filePath(name);
    if (!writeFileBytes(path, bytes))
        QTest::qFail(qPrintable(QStringLiteral("cannot write ") + path), __FILE__, __LINE__);
    return path;
}

void WindowFixture::open(const QString &path)
{
    answers->fileAnswers = {path};
    action(window, "mnuFileOpen")->trigger();
}

void WindowFixture::start(const QString &text, int start, int length)
{
    editor.setText(text);
    window.doc().FileChanged = false;
    select(start, length);
}

bool WindowFixture::showActive()
{
    window.show();
    window.activateWindow();
    return QTest::qWaitForWindowActive(&window);
}
