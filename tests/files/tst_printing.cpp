#include "app/frmPenwick.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "WindowFixture.h"

#include <QAction>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestPrinting : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
    }

    void cancelThenSelectionThenSetupKeepsThePrinter()
    {
        WindowFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("Keep this line\r\nPrinted words only\r\nand not this"));
        QPrinter &printer = window.dlgCommonDialog().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);

        // Cancelling the dialog prints nothing.
        const QString never = f.dir.filePath(QStringLiteral("never.pdf"));
        printer.setOutputFileName(never);
        answers->printAnswers = {false};
        window.action("mnuFilePrint")->trigger();
        QCOMPARE(answers->printDialogs, 1);
        QVERIFY(!QFileInfo::exists(never));

        const QString selectionPdf = f.dir.filePath(QStringLiteral("selection.pdf"));
        printer.setOutputFileName(selectionPdf);

        editor.setSelStart(15);
        editor.setSelLength(18);
        answers->printAnswers = {true};
        window.action("mnuFilePrint")->trigger();
        QCOMPARE(answers->printDialogs, 2);
        QCOMPARE(window.dlgCommonDialog().Flags, 265);
        const QString printed = pdfText(selectionPdf);
        QVERIFY2(printed.contains(QStringLiteral("Printed words only")), qPrintable(printed));
        QVERIFY2(!printed.contains(QStringLiteral("Keep")) && !printed.contains(QStringLiteral("not this")),
                 qPrintable(printed));

        // Setup's choices stay on the printer that Print uses next.
        const QString wholePdf = f.dir.filePath(QStringLiteral("whole.pdf"));
        printer.setOutputFileName(wholePdf);
        answers->printAnswers = {true};
        window.action("mnuFilePageSetup")->trigger();
        QCOMPARE(window.dlgCommonDialog().Flags, 64);
        editor.setSelStart(0);
        answers->printAnswers = {true};
        window.action("mnuFilePrint")->trigger();
        QCOMPARE(window.dlgCommonDialog().Flags, 264);
        const QString whole = pdfText(wholePdf);
        QVERIFY2(whole.contains(QStringLiteral("Keep this line")) && whole.contains(QStringLiteral("and not this")),
                 qPrintable(whole));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
