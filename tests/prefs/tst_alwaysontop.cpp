#include "prefs/SettingKeys.h"

#include "WindowFixture.h"
#include "WindowTestUtil.h"
#include "platform/WindowGeometry.h"

class TestAlwaysOnTop : public QObject
{
    Q_OBJECT

private slots:
    void ctrlTTogglesTheShownWindowInPlace()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        QAction *item = action(window, "mnuOptionsAlwaysOnTop");
        QVERIFY(!item->isChecked() && !isTopmost(window));  // off by default
        QVERIFY(f.showActive());
        editor.setFocus();
        const QRect before = window.geometry();

        for (bool expected : {true, false}) {
            QTest::keyClick(editor.focusProxy(), Qt::Key_T, Qt::ControlModifier);
            QCOMPARE(item->isChecked(), expected);
            QCOMPARE(isTopmost(window), expected);
            QCOMPARE(window.geometry(), before);
            QVERIFY(window.isVisible());
            QVERIFY(editor.hasFocus());
            // Toggling takes effect at once; the store hears of it only at exit, which the
            // main window's shutdown test checks.
            QCOMPARE(settings::OnTop.read(), false);
        }
        QCOMPARE(editor.Text(), QString());  // the key never reached the text
        QVERIFY(answers->messages.isEmpty());
    }

    void storedSettingIsAppliedAtStartWithoutMovingTheWindow()
    {
        WindowLater f;
        settings::OnTop.write(true);
        settings::SaveWinState.write(true);
        settings::MainLeft.write(1500);
        settings::MainTop.write(1200);
        frmPenwick &window = f.window();
        QVERIFY(action(window, "mnuOptionsAlwaysOnTop")->isChecked());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(isTopmost(window));
        const QRectF bounds = formBounds(window);
        QVERIFY(nearTwips(bounds.left(), 1500));
        QVERIFY(nearTwips(bounds.top(), 1200));
        QVERIFY(f.answers->messages.isEmpty());
    }
};

QTEST_MAIN(TestAlwaysOnTop)
#include "tst_alwaysontop.moc"
