#include "platform/CommonDialog.h"
#include "platform/Prompter.h"

#include "FileFixture.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QRegularExpression>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace {

// What a poppler tool prints about a PDF.
QString poppler(const QString &tool, const QStringList &arguments)
{
    QProcess process;
    process.start(tool, arguments);
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString pdfText(const QString &pdf)
{
    return poppler(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
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
            action(window, item)->trigger();
            return printer.outputFileName();
        };

        // Cancelling the dialog prints nothing.
        QVERIFY(!QFileInfo::exists(run("mnuFilePrint", false, "never.pdf")));
        QCOMPARE(answers->printDialogs, 1);

        f.select(15, 18);
        const QString printed = pdfText(run("mnuFilePrint", true, "selection.pdf"));
        QCOMPARE(answers->printDialogs, 2);
        QCOMPARE(window.dlgCommonDialog().Flags, CommonDialog::Options(CommonDialog::Option::PrintSelection));
        QVERIFY2(printed.contains(QStringLiteral("Printed words only")), qPrintable(printed));
        QVERIFY2(!printed.contains(QStringLiteral("Keep")) && !printed.contains(QStringLiteral("not this")),
                 qPrintable(printed));

        // Setup's choices stay on the printer that Print uses next.
        run("mnuFilePageSetup", true, "whole.pdf");
        QCOMPARE(window.dlgCommonDialog().Flags, CommonDialog::Options(CommonDialog::Option::PrintSetup));
        editor.setSelStart(0);
        const QString whole = pdfText(run("mnuFilePrint", true));
        QCOMPARE(window.dlgCommonDialog().Flags, CommonDialog::Options());
        QVERIFY2(whole.contains(QStringLiteral("Keep this line")) && whole.contains(QStringLiteral("and not this")),
                 qPrintable(whole));
    }

    // The print dialog offers the whole document or the selection, never a range of pages,
    // which would print nothing different.
    void printDialogOffersNoPageRange()
    {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        QStringList offered;
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<QPrintDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            seen = dialog->findChild<QRadioButton *>(QStringLiteral("printAll")) != nullptr;
            for (const QWidget *part : dialog->findChildren<QWidget *>()) {
                const bool range = qobject_cast<const QRadioButton *>(part) || qobject_cast<const QSpinBox *>(part)
                    || qobject_cast<const QLineEdit *>(part) || qobject_cast<const QLabel *>(part);
                const bool inRangeBox = part->parentWidget() && part->parentWidget()->objectName() == QLatin1String("gbPrintRange");
                if (range && inRangeBox && !part->isHidden())
                    offered << part->objectName();
            }
            dialog->reject();
        });
        QVERIFY(!QtPrompter().printDialog(nullptr, printer, false, true));
        QVERIFY(seen);
        offered.sort();
        QCOMPARE(offered, QStringList({QStringLiteral("printAll"), QStringLiteral("printSelection")}));
    }

    // A document over several pages prints what it holds and nothing more: no page numbers;
    // its pictures print as they show.
    void pagesHoldTheDocumentAloneWithItsPictures()
    {
        FileFixture f;
        auto [window, editor, answers] = f.parts();
        QImage image(40, 20, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        QVERIFY(image.save(&png, "PNG"));
        QByteArray rtf = "{\\rtf1\\ansi Logo {\\pict\\pngblip\\picwgoal600\\pichgoal300 " + png.data().toHex() + "}\\par ";
        for (int i = 0; i < 150; ++i)
            rtf += "Paragraph of the long document.\\par ";
        editor.setTextRTF(rtf + "}");
        editor.setSelStart(0);

        QPrinter &printer = window.dlgCommonDialog().printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(f.dir.filePath(QStringLiteral("long.pdf")));
        answers->printAnswers = {true};
        action(window, "mnuFilePrint")->trigger();
        const QString printed = pdfText(printer.outputFileName());
        QVERIFY2(printed.count(QLatin1Char('\f')) >= 3, qPrintable(printed));
        QCOMPARE(printed.count(QStringLiteral("Paragraph of the long document.")), 150);
        for (const QString &line : printed.split(QRegularExpression(QStringLiteral("[\n\f]")), Qt::SkipEmptyParts)) {
            bool number = false;
            line.trimmed().toInt(&number);
            QVERIFY2(!number, qPrintable(QStringLiteral("a page carries '%1'").arg(line)));
        }
        if (!QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty())
            QVERIFY2(poppler(QStringLiteral("pdfimages"), {QStringLiteral("-list"), printer.outputFileName()})
                         .contains(QStringLiteral(" image ")),
                     "the picture was not printed");
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
