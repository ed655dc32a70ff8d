#include "platform/CommonDialog.h"

#include "FileFixture.h"

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
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("Keep this line\r\nPrinted words only\r\nand not this"));
        QPrinter &printer = window.dlgCommonDialog().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        // Answers the dialog item shows; with a name, points the printer at that PDF in the
        // folder first. Gives the printer's output file.
        auto run = [&](const char *item, bool answer, const char *pdf = nullptr) {
            if (pdf)
                printer.setOutputFileName(f.dir.filePath(QLatin1String(pdf)));
            answers->printAnswers = {answer};
            window.action(item)->trigger();
            return printer.outputFileName();
        };

        // Cancelling the dialog prints nothing.
        QVERIFY(!QFileInfo::exists(run("mnuFilePrint", false, "never.pdf")));
        QCOMPARE(answers->printDialogs, 1);

        f.select(15, 18);
        const QString printed = pdfText(run("mnuFilePrint", true, "selection.pdf"));
        QCOMPARE(answers->printDialogs, 2);
        QCOMPARE(window.dlgCommonDialog().Flags, 265);
        QVERIFY2(printed.contains(QStringLiteral("Printed words only")), qPrintable(printed));
        QVERIFY2(!printed.contains(QStringLiteral("Keep")) && !printed.contains(QStringLiteral("not this")),
                 qPrintable(printed));

        // Setup's choices stay on the printer that Print uses next.
        run("mnuFilePageSetup", true, "whole.pdf");
        QCOMPARE(window.dlgCommonDialog().Flags, 64);
        editor.setSelStart(0);
        const QString whole = pdfText(run("mnuFilePrint", true));
        QCOMPARE(window.dlgCommonDialog().Flags, 264);
        QVERIFY2(whole.contains(QStringLiteral("Keep this line")) && whole.contains(QStringLiteral("and not this")),
                 qPrintable(whole));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
