#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"
#include "prefs/SettingKeys.h"

#include "WindowFixture.h"

#include <QAction>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

namespace {

QRectF pixelsInTwips(const QRect &r)
{
    const double k = twipsPerPixel();
    return QRectF(r.x() * k, r.y() * k, r.width() * k, r.height() * k);
}

// Pixel rounding keeps a twips figure within one pixel.
bool nearTwips(double actual, double expected)
{
    return std::abs(actual - expected) <= twipsPerPixel();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void firstRunStartsUntitledAndCentred()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();

        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
        const QRectF bounds = pixelsInTwips(window.frameGeometry());
        QVERIFY(nearTwips(bounds.width(), 7905));
        QVERIFY(nearTwips(bounds.height(), 7020));
        const QRectF screen = screenTwips();
        QVERIFY(nearTwips(bounds.left(), (screen.width() - bounds.width()) / 2));
        QVERIFY(nearTwips(bounds.top(), (screen.height() - bounds.height()) / 2));

        QVERIFY(window.panelText(1).contains(QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat)));
        QVERIFY(!window.panelText(1).startsWith(QStringLiteral("Modified")));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 0"));
        QCOMPARE(window.panelText(4), QStringLiteral("INS"));
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QCOMPARE(window.dlgCommonDialog().FileName, QStringLiteral("Untitled"));
        QCOMPARE(window.dlgCommonDialog().InitDir, QString());
        QVERIFY(!window.doc().FileChanged);
        QVERIFY(window.InsertMode);
        QVERIFY(answers->messages.isEmpty());

        // Text typed into the new document takes the default font.
        editor.setSelText(QStringLiteral("abc"));
        editor.setSelStart(0);
        editor.setSelLength(3);
        QCOMPARE(editor.SelFontName(), std::optional<QString>(QStringLiteral("Arial")));
        QCOMPARE(editor.SelFontSize(), std::optional<float>(10));
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 10 pts"));
    }

    void storedPlacementIsUsedOnlyWhenAsked()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::SaveWinState.write(true);
        {
            frmPenwick window;
            const QRectF bounds = pixelsInTwips(window.frameGeometry());
            QVERIFY(nearTwips(bounds.left(), 1000));
            QVERIFY(nearTwips(bounds.top(), 1000));
            QVERIFY(nearTwips(bounds.width(), 7905));
            QVERIFY(nearTwips(bounds.height(), 7020));
            QVERIFY(window.action("mnuOptionsSaveSizePosition")->isChecked());
        }
        settings::MainLeft.write(1500);
        settings::MainWidth.write(9000);
        settings::SaveWinState.write(false);
        frmPenwick window;
        const QRectF bounds = pixelsInTwips(window.frameGeometry());
        QVERIFY(nearTwips(bounds.width(), 7905));
        QVERIFY(!nearTwips(bounds.left(), 1500));
    }

    void defaultPathWinsOverLastPath()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        settings::SaveLastPath.write(true);
        settings::LastPath.write(QStringLiteral("/last/"));
        settings::SaveDefPath.write(true);
        settings::DefPath.write(QStringLiteral("/default"));
        settings::Font.write(QStringLiteral("Courier New"));
        settings::FontSize.write(12);
        {
            frmPenwick window;
            QCOMPARE(window.doc().OpenDialogPath, QStringLiteral("/default"));
            QCOMPARE(window.dlgCommonDialog().InitDir, QStringLiteral("/default"));
            QCOMPARE(window.LastOpenPath, QStringLiteral("/last/"));
            QCOMPARE(window.doc().DefaultFont, QStringLiteral("Courier New"));
            QCOMPARE(window.doc().DefaultFontSize, qint16(12));
            QVERIFY(window.action("mnuOptionsLastPath")->isChecked());
            QVERIFY(window.action("mnuOptionsDefPath")->isChecked());
            QVERIFY(window.close());
        }
        QCOMPARE(settings::LastPath.read(), QStringLiteral("/last/"));

        // Without the option the last path starts empty and is written back empty.
        settings::SaveLastPath.write(false);
        settings::SaveDefPath.write(false);
        frmPenwick window;
        QCOMPARE(window.doc().OpenDialogPath, QString());
        QCOMPARE(window.LastOpenPath, QString());
        QVERIFY(window.close());
        QCOMPARE(settings::LastPath.read(), QString());
        QCOMPARE(settings::SaveLastPath.read(), false);
    }

    void shutdownWritesGeometryUnlessMinimised()
    {
        TemporaryConfigHome home;
        ScriptedScope answers;
        {
            frmPenwick window;
            window.show();
            window.action("mnuOptionsAlwaysOnTop")->trigger();
            QVERIFY(window.close());
        }
        QVERIFY(home.storeText().contains(QStringLiteral("SaveWinState=False")));
        QCOMPARE(settings::OnTop.read(), true);
        QVERIFY(home.storeText().contains(QStringLiteral("MainWidth=")));

        settings::MainLeft.write(4321);
        frmPenwick window;
        window.show();
        window.showMinimized();
        QTRY_VERIFY(window.isMinimized());
        QVERIFY(window.close());
        QCOMPARE(settings::MainLeft.read(), 4321.0f);
    }

    void typingMarksModifiedAndNewAsksFirst()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        window.action("mnuFileNew")->trigger();
        QVERIFY(answers->messages.isEmpty());
        QMenu *file = window.menu("mnuFile");
        emit file->aboutToShow();
        QVERIFY(!window.action("mnuFileSaveSelection")->isEnabled());

        editor.setSelText(QStringLiteral("draft"));
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
        QVERIFY(!window.action("mnuFileSave")->isEnabled());  // refreshed only when the menu opens
        emit file->aboutToShow();
        QVERIFY(window.action("mnuFileSave")->isEnabled());
        QVERIFY(!window.action("mnuFileAppendSelection")->isEnabled());
        editor.setSelStart(1);
        editor.setSelLength(2);
        emit file->aboutToShow();
        QVERIFY(window.action("mnuFileSaveSelection")->isEnabled());
        QVERIFY(window.action("mnuFileAppendSelection")->isEnabled());

        answers->messageAnswers = {msgbox::Cancel};
        window.action("mnuFileNew")->trigger();
        QCOMPARE(answers->messages.size(), 1);
        const ScriptedPrompter::Message prompt = answers->messages.constFirst();
        QCOMPARE(prompt.text, QStringLiteral("The file  has changed.\r\nDo you want to save the changes?"));
        QCOMPARE(prompt.style, 51);
        QCOMPARE(prompt.title, QStringLiteral("Penwick"));
        QCOMPARE(editor.Text(), QStringLiteral("draft"));
        QVERIFY(window.doc().FileChanged);

        answers->messageAnswers = {msgbox::No};
        window.action("mnuFileNew")->trigger();
        QCOMPARE(editor.Text(), QString());
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("N"));
        QCOMPARE(window.panelText(3), QStringLiteral("Arial 10 pts"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));

        // Yes saves a titled document and keeps it.
        const QString path = f.file(QStringLiteral("notes.txt"), "old\n");
        f.open(path);
        QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - ") + path);
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 4"));
        QCOMPARE(window.dlgCommonDialog().FileName, path);

        editor.setSelStart(3);
        editor.setSelText(QStringLiteral("er"));
        answers->messageAnswers = {msgbox::Yes};
        window.action("mnuFileNew")->trigger();
        QCOMPARE(readFileBytes(path), QByteArray("older\n"));
        QCOMPARE(editor.Text(), QStringLiteral("older\r\n"));
        QCOMPARE(window.panelText(6), QStringLiteral("S"));
        QCOMPARE(window.panelText(2), QStringLiteral("Bytes: 6"));
        QVERIFY(!window.doc().FileChanged);
    }

    void commandLineThatCannotBeLoadedStartsUntitled()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        const QString missing = dir.filePath(QStringLiteral("gone.rtf"));
        {
            frmPenwick window(missing);
            QCOMPARE(answers->messages.size(), 1);
            QCOMPARE(answers->messages[0].text,
                     missing + QStringLiteral("\r\nError while attempting to open file!\r\nFile not found."));
            QCOMPARE(answers->messages[0].style, 48);
            QCOMPARE(window.windowTitle(), QStringLiteral("Penwick - Untitled"));
            QCOMPARE(window.panelText(6), QStringLiteral("N"));
            QVERIFY(!window.doc().FileChanged);
        }
        frmPenwick folder(dir.path());
        QCOMPARE(folder.doc().CurrentFile, QString());
        QCOMPARE(answers->messages.size(), 2);
    }

    void closeRequestFollowsTheAnswer()
    {
        TemporaryConfigHome home;
        QTemporaryDir dir;
        ScriptedScope answers;
        {
            frmPenwick window;
            QVERIFY(window.close());  // nothing changed: no question
            QVERIFY(answers->messages.isEmpty());
        }
        {
            frmPenwick window;
            window.rtbEditor().setSelText(QStringLiteral("x"));
            answers->messageAnswers = {msgbox::Cancel};
            QVERIFY(!window.close());
            QVERIFY(window.doc().FileChanged);
            answers->messageAnswers = {msgbox::No};
            QVERIFY(window.close());
        }
        {
            // Yes, then the Save As dialog is cancelled: the text must not be lost.
            frmPenwick window;
            window.rtbEditor().setSelText(QStringLiteral("precious"));
            answers->messageAnswers = {msgbox::Yes};
            QVERIFY(!window.close());
            QCOMPARE(answers->fileRequests.size(), 1);
            QCOMPARE(answers->fileRequests[0].title, QStringLiteral("Save As..."));
            QCOMPARE(answers->fileRequests[0].proposedName, QStringLiteral("Untitled"));
            QVERIFY(window.doc().FileChanged);

            const QString target = dir.filePath(QStringLiteral("kept.txt"));
            answers->messageAnswers = {msgbox::Yes};
            answers->fileAnswers = {target};
            QVERIFY(window.close());
            QCOMPARE(readFileBytes(target), QByteArray("precious"));
        }
        // A write that fails keeps the window.
        const QString path = dir.filePath(QStringLiteral("doc.txt"));
        QVERIFY(writeFileBytes(path, "original"));
        frmPenwick window(path);
        window.rtbEditor().setSelText(QStringLiteral("new "));
        // Something else now stands where the file was and cannot be replaced by a file.
        QVERIFY(QFile::remove(path));
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
        answers->messageAnswers = {msgbox::Yes};
        QVERIFY(!window.close());
        QCOMPARE(answers->messages.last().title, QStringLiteral("File Error"));
        QCOMPARE(answers->messages.last().text, QStringLiteral("Unknown error while saving file ") + path);
        QVERIFY(QFileInfo(path + QStringLiteral("/inside")).isDir());
        QVERIFY(window.doc().FileChanged);
        QCOMPARE(window.panelText(6), QStringLiteral("M"));
    }

    void rightClickShowsTheEditMenu()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QMenu *edit = window.menu("mnuEdit");
        QTest::mouseClick(editor.viewport(), Qt::RightButton, {}, QPoint(20, 20));
        QTRY_VERIFY(edit->isVisible());
        edit->hide();
    }

    void topmostAcceptsOnlyZeroAndOne()
    {
        QWidget widget;
        QVERIFY(!SetTopmost(2, &widget));
        QVERIFY(!SetTopmost(-1, &widget));
        QVERIFY(!widget.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(SetTopmost(1, &widget));
        QVERIFY(widget.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        widget.show();
        const QRect before = widget.geometry();
        QVERIFY(SetTopmost(0, &widget));
        QVERIFY(!widget.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(widget.isVisible());
        QCOMPARE(widget.geometry(), before);
    }

    void richTextTestLooksAtTheLastThreeLetters()
    {
        for (const char *name : {"/docs/report.RTF", "/docs/myrtf", "Rtf"})
            QVERIFY2(IsRichTextName(QString::fromLatin1(name)), name);
        for (const char *name : {"b.rtf2", "tf", ""})
            QVERIFY2(!IsRichTextName(QString::fromLatin1(name)), name);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
