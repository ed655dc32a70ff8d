#include "app/frmPenwick.h"
#include "platform/RichTextBox.h"
#include "prefs/SettingKeys.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"

#include <QAction>
#include <QTest>

namespace {

bool onTop(const QWidget &window)
{
    return window.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

} // namespace

class TestAlwaysOnTop : public QObject
{
    Q_OBJECT

private slots:
    void ctrlTTogglesTheShownWindowInPlace()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        frmPenwick window;
        QAction *item = window.action("mnuOptionsAlwaysOnTop");
        QVERIFY(!item->isChecked() && !onTop(window));  // off by default
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.rtbEditor().setFocus();
        const QRect before = window.geometry();

        for (bool expected : {true, false}) {
            QTest::keyClick(&window.rtbEditor(), Qt::Key_T, Qt::ControlModifier);
            QCOMPARE(item->isChecked(), expected);
            QCOMPARE(onTop(window), expected);
            QCOMPARE(window.geometry(), before);
            QVERIFY(window.isVisible());
            QVERIFY(window.rtbEditor().hasFocus());
            // Toggling takes effect at once and reaches the store only at exit.
            QCOMPARE(settings::OnTop.read(), false);
        }
        QCOMPARE(window.rtbEditor().Text(), QString());  // the key never reached the text
        QVERIFY(answers->messages.isEmpty());

        window.mnuOptionsAlwaysOnTop_Click();
        QVERIFY(window.close());
        QCOMPARE(settings::OnTop.read(), true);
    }

    void storedSettingIsAppliedAtStartWithoutMovingTheWindow()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::OnTop.write(true);
        settings::SaveWinState.write(true);
        settings::MainLeft.write(1500);
        settings::MainTop.write(1200);
        frmPenwick window;
        QVERIFY(window.action("mnuOptionsAlwaysOnTop")->isChecked());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(onTop(window));
        const QRectF bounds = formBounds(window);
        QVERIFY(std::abs(bounds.left() - 1500) <= twipsPerPixel());
        QVERIFY(std::abs(bounds.top() - 1200) <= twipsPerPixel());
        QVERIFY(answers->messages.isEmpty());
    }
};

QTEST_MAIN(TestAlwaysOnTop)
#include "tst_alwaysontop.moc"
