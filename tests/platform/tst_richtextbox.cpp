#include "platform/ParagraphLayout.h"
#include "platform/RichTextBox.h"
#include "platform/rtf/RtfKept.h"

#include "WindowTestUtil.h"

#include <QAbstractTextDocumentLayout>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QSet>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QTest>

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void lineBreaksReadAsCrLfWhateverWasWritten()
    {
        RichTextBox box;
        box.setText(QStringLiteral("one\ntwo\r\nthree\rfour"));
        QCOMPARE(box.Text(), QStringLiteral("one\r\ntwo\r\nthree\r\nfour"));
        // A line break is one position in the document, two characters in the text.
        select(box, 2, 3);
        QCOMPARE(box.SelText(), QStringLiteral("e\r\nt"));
        box.setSelText(QStringLiteral("X\rY"));
        QCOMPARE(box.Text(), QStringLiteral("onX\r\nYwo\r\nthree\r\nfour"));

        // A selection length stops at the end of the text, and a negative one is none.
        box.setText(QStringLiteral("ab\r\ncd"));
        select(box, 0, box.Text().size());
        QCOMPARE(box.SelLength(), 5);
        QCOMPARE(box.SelText(), box.Text());
        select(box, 4, -3);
        QCOMPARE(box.SelLength(), 0);
    }

    void mixedSelectionsReportNoValue()
    {
        RichTextBox box;
        box.setText(QStringLiteral("plain bold\nnext"));
        select(box, 6, 4);
        box.setSelBold(true);
        box.setSelFontName(QStringLiteral("Courier New"));
        box.setSelFontSize(12.5f);
        QCOMPARE(box.SelBold(), std::optional<bool>(true));
        QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("Courier New")));
        QCOMPARE(box.SelFontSize(), std::optional<float>(12.5f));

        select(box, 3, 5);
        QCOMPARE(box.SelBold(), std::nullopt);
        QCOMPARE(box.SelFontName(), std::nullopt);
        QCOMPARE(box.SelFontSize(), std::nullopt);
        QCOMPARE(box.SelItalic(), std::optional<bool>(false));

        box.setSelAlignment(RichTextBox::Alignment::Center);
        select(box, 0, 3);
        QCOMPARE(box.SelAlignment(), std::optional(RichTextBox::Alignment::Center));
        select(box, 8, 5);
        QCOMPARE(box.SelAlignment(), std::nullopt);

        // A setter over a mixed selection makes it uniform.
        select(box, 0, 10);
        box.setSelBold(false);
        QCOMPARE(box.SelBold(), std::optional<bool>(false));
    }

    void settersWithoutSelectionSetTheTypingFormat()
    {
        RichTextBox box;
        box.setText(QStringLiteral("abc"));
        box.setSelStart(3);
        box.setSelItalic(true);
        box.setSelColor(QColor(0, 128, 0));
        QCOMPARE(box.SelItalic(), std::optional<bool>(true));
        box.setSelText(QStringLiteral("xy"));
        select(box, 3, 2);
        QCOMPARE(box.SelItalic(), std::optional<bool>(true));
        QCOMPARE(box.SelColor(), QColor(0, 128, 0));
        select(box, 0, 3);
        QCOMPARE(box.SelItalic(), std::optional<bool>(false));
        QCOMPARE(box.SelColor(), QColor(Qt::black));
    }

    // A document naming hundreds of faces no font here provides keeps every name, for the font
    // panel and through a save, while only a few dozen of them go to the costly font search;
    // a face chosen for such text replaces the kept name.
    void manyUnknownFacesKeepTheirNames()
    {
        constexpr int kFaces = 300;
        QByteArray rtf = "{\\rtf1\\ansi{\\fonttbl";
        for (int i = 0; i < kFaces; ++i)
            rtf += "{\\f" + QByteArray::number(i) + " Nowhere Face " + QByteArray::number(i) + ";}";
        rtf += "}";
        for (int i = 0; i < kFaces; ++i)
            rtf += "\\f" + QByteArray::number(i) + " w ";
        RichTextBox box;
        box.setTextRTF(rtf + "}");
        RichTextBox again;
        select(box, 0, box.DocumentLength());
        again.setTextRTF(box.SelRTF());

        const QStringList installed = QFontDatabase::families();
        QSet<QString> searched;
        for (RichTextBox *shown : {&box, &again}) {
            for (int i = 0; i < kFaces; ++i) {
                select(*shown, 2 * i, 1);
                QCOMPARE(shown->SelFontName(), std::optional<QString>(QStringLiteral("Nowhere Face %1").arg(i)));
                QTextCursor at(shown->view().document());
                at.setPosition(2 * i + 1);
                const QString drawn = at.charFormat().fontFamilies().toStringList().value(0);
                if (!installed.contains(drawn, Qt::CaseInsensitive))
                    searched.insert(drawn);
            }
        }
        QVERIFY2(searched.size() <= 64, qPrintable(QString::number(searched.size())));

        select(box, 2 * (kFaces - 1), 1);
        box.setSelFontName(QStringLiteral("DejaVu Sans"));
        QCOMPARE(box.SelFontName(), std::optional<QString>(QStringLiteral("DejaVu Sans")));
        RichTextBox pasted;
        pasted.setTextRTF(box.SelRTF());
        select(pasted, 0, 1);
        QCOMPARE(pasted.SelFontName(), std::optional<QString>(QStringLiteral("DejaVu Sans")));
    }

    void findHonoursStartAndOptions()
    {
        RichTextBox box;
        box.setText(QStringLiteral("xaaa"));
        QCOMPARE(box.Find(QStringLiteral("aa"), 1), 1);
        QCOMPARE(box.SelStart(), 1);
        QCOMPARE(box.SelLength(), 2);
        QCOMPARE(box.Find(QStringLiteral("aa"), 2), 2);
        QCOMPARE(box.Find(QStringLiteral("aa"), 3), -1);
        // A failed search leaves the selection alone.
        QCOMPARE(box.SelStart(), 2);

        box.setText(QStringLiteral("concatenate the Cat"));
        QCOMPARE(box.Find(QStringLiteral("cat"), 0), 3);
        QCOMPARE(box.Find(QStringLiteral("cat"), 0, FindOption::WholeWord), 16);
        QCOMPARE(box.Find(QStringLiteral("cat"), 4, FindOption::MatchCase), -1);
        QCOMPARE(box.Find(QStringLiteral("Cat"), 4, FindOption::MatchCase), 16);
        QCOMPARE(box.Find(QString(), 0), -1);
        QCOMPARE(box.Find(QStringLiteral("cat"), 500), -1);
    }

    void spanAndUpToStopAtDelimitersAndEdges()
    {
        const QString words = QStringLiteral(" ,;:.?!");
        RichTextBox box;
        // The run around start, spanned backwards then forwards.
        const auto run = [&box](int start, const QString &delimiters) {
            box.setSelStart(start);
            box.Span(delimiters, false, true);
            box.Span(delimiters, true, true);
            return box.SelText();
        };
        box.setText(QStringLiteral("Hello, world. Next one"));
        QCOMPARE(run(9, words), QStringLiteral("world"));
        QCOMPARE(run(20, words), QStringLiteral("one"));  // the run reaches the end of the text
        QCOMPARE(run(2, QStringLiteral(".?!")), QStringLiteral("Hello, world"));  // and the start

        box.setSelStart(0);
        box.UpTo(words, true, false);
        QCOMPARE(box.SelStart(), 5);
        box.UpTo(words, true, false);  // already before a delimiter: stays
        QCOMPARE(box.SelStart(), 5);
        box.setSelStart(15);
        box.UpTo(QStringLiteral(".?!"), true, false);  // none follows: the end
        QCOMPARE(box.SelStart(), 22);
        QCOMPARE(box.SelLength(), 0);

        box.setText(QStringLiteral("two\r\nwords"));  // a line break is no delimiter
        QCOMPARE(run(1, words), QStringLiteral("two\r\nwords"));
    }

    void displayLinesCountWrappedLines()
    {
        RichTextBox box;
        box.resize(400, 300);
        QCOMPARE(box.LineCount(), 1);
        box.setText(QStringLiteral("a\r\nb\r\n"));
        QCOMPARE(box.LineCount(), 3);

        box.setText(QStringList(60, QStringLiteral("word")).join(QLatin1Char(' ')));
        box.setRightMargin(720);  // half an inch
        const int narrow = box.LineCount();
        QVERIFY2(narrow > 3, qPrintable(QString::number(narrow)));
        box.setRightMargin(100000);
        QCOMPARE(box.LineCount(), 1);
        box.setRightMargin(0);
        QCOMPARE(box.wrapWidthPixels(), 0);
    }

    // Line Count measures the paragraphs not yet shown in a scratch layout of its own; it has
    // to agree with the lines they get once shown, for every kind of text and wrap width,
    // and in the quicker typography of large documents as well as the full one.
    void lineCountAgreesWithParagraphsLaidOutForDisplay()
    {
        RichTextBox box;
        box.resize(320, 200);
        const QString large = QStringLiteral("a line of words to fill a large file\n").repeated(30000);
        for (const QString &filler : {QString(), large}) {
            box.setText(filler);
            QCOMPARE(bool(box.view().document()->defaultFont().styleStrategy() & QFont::PreferNoShaping),
                     !filler.isEmpty());  // ordinary documents keep kerning and ligatures
            QTextCursor cursor(box.view().document());
            const QStringList families = {QStringLiteral("DejaVu Serif"), QStringLiteral("DejaVu Sans Mono")};
            for (int i = 0; i < 24; ++i) {
                QTextCharFormat format;
                format.setFontFamilies({families.at(i % 2)});
                format.setFontPointSize(8 + i);
                format.setFontWeight(i % 3 ? QFont::Normal : QFont::Bold);
                cursor.insertText(QStringLiteral("Fit fi office\tAVAV To. \u05e9\u05dc\u05d5\u05dd "
                                                 "\u0645\u0631\u062d\u0628\u0627 ")
                                      .repeated(i % 5 + 1),
                                  format);
                if (i % 4 == 1)
                    cursor.insertText(QString(QChar(0x2028)) + QString(i * 150, QLatin1Char('w')));
                QTextBlockFormat paragraph;
                paragraph.setAlignment(i % 3 == 2 ? Qt::AlignHCenter : Qt::AlignLeft);
                cursor.insertBlock(paragraph);
            }
            for (const float margin : {0.0f, 1500.0f, 4000.0f, 100000.0f}) {
                box.setRightMargin(margin);
                const int counted = box.LineCount();
                int shown = 0;
                QAbstractTextDocumentLayout *layout = box.view().document()->documentLayout();
                for (QTextBlock block = box.view().document()->begin(); block.isValid(); block = block.next()) {
                    layout->blockBoundingRect(block);
                    shown += std::max(1, block.layout()->lineCount());
                }
                QCOMPARE(counted, shown);
                QVERIFY(counted > box.view().document()->blockCount() || margin == 100000.0f);
            }
        }

        // Typing inside a paragraph lays it out again at the editor's width, still centred.
        box.setRightMargin(1500);
        const QTextBlock centred = box.view().document()->findBlock(large.size() + 1).next().next();
        QCOMPARE(centred.blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
        box.view().document()->documentLayout()->blockBoundingRect(centred);
        QTextCursor(centred).insertText(QStringLiteral("typed "));
        const qreal margin = box.view().document()->documentMargin();
        const QTextLayout *lines = centred.layout();
        QVERIFY(lines->lineCount() > 1);
        for (int i = 0; i < lines->lineCount(); ++i) {
            QCOMPARE(lines->lineAt(i).width(), box.wrapWidthPixels() - 2 * margin);
            QVERIFY(lines->lineAt(i).x() > margin);
        }

        box.setText(QString());
        QVERIFY(!(box.view().document()->defaultFont().styleStrategy() & QFont::PreferNoShaping));
    }

    // Plain files load and save with their line ending; a load starts a fresh undo
    // history; failures are reported and leave the text alone.
    void plainFilesLoadAndSaveWithTheirLineEnding()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("a.txt"));
        QVERIFY(writeFileBytes(path, "first\r\nsecond\r\n"));
        RichTextBox box;
        QSignalSpy changes(&box, &RichTextBox::Change);
        box.setSelText(QStringLiteral("typed"));
        QVERIFY(changes.count() >= 1);
        QVERIFY(box.CanUndo());
        box.Undo();
        QCOMPARE(box.Text(), QString());

        QVERIFY(box.LoadFile(path, RichTextBox::FileType::Text));
        QCOMPARE(box.Text(), QStringLiteral("first\r\nsecond\r\n"));
        QVERIFY(!box.CanUndo());
        box.setSelStart(5);
        box.setSelText(QStringLiteral("!"));
        QVERIFY(box.SaveFile(path, RichTextBox::FileType::Text));
        QCOMPARE(readFileBytes(path), QByteArray("first!\r\nsecond\r\n"));
        box.setTextRTF(QByteArray());
        QVERIFY(!box.CanUndo());

        box.setText(QStringLiteral("kept"));
        QString error;
        QVERIFY(!box.LoadFile(dir.filePath(QStringLiteral("missing.txt")), RichTextBox::FileType::Text, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!box.LoadFile(dir.path(), RichTextBox::FileType::Text, &error));
        QCOMPARE(box.Text(), QStringLiteral("kept"));
        QVERIFY(!box.SaveFile(dir.filePath(QStringLiteral("no/such/folder/x.txt")), RichTextBox::FileType::Text, &error));
    }

    // What a document read from RTF holds beside its text belongs to its own characters: text
    // typed next to a picture, a bookmark, a note's mark or a field's end is plain text, text
    // typed inside a field's result is part of it, and a new line inside a table stays in the cell.
    void typingKeepsKeptPartsWhereTheyWere()
    {
        RichTextBox box;
        box.setTextRTF("{\\rtf1 a{\\pict\\pngblip\\picwgoal300\\pichgoal150 00}{\\*\\bkmkstart m}b"
                       "{\\field{\\*\\fldinst HYPERLINK \"u\"}{\\fldrslt link}}{\\super\\chftn}"
                       "{\\*\\footnote note}\\par\\trowd\\cellx1500\\cellx3000\\pard\\intbl x\\cell y\\cell\\row}");
        QCOMPARE(box.Text(), QStringLiteral("a\uFFFCblink1\r\nx\ty"));
        const auto typeAt = [&box](int position, const QString &text) {
            box.setSelStart(position);
            for (const QChar c : text)
                QTest::keyClick(box.focusProxy(), c.toLatin1());
        };
        typeAt(2, QStringLiteral("P"));  // after the picture
        typeAt(4, QStringLiteral("B"));  // after the character the bookmark rides on
        typeAt(7, QStringLiteral("I"));  // inside the field's result
        typeAt(10, QStringLiteral("E")); // after the field's end
        typeAt(12, QStringLiteral("N")); // after the note's mark
        QCOMPARE(box.Text(), QStringLiteral("a\uFFFCPbBliInkE1N\r\nx\ty"));
        select(box, 0, box.DocumentLength());
        const QByteArray all = box.SelRTF().replace("\r\n", ""); // line ends in RTF are no text
        QCOMPARE(all.count("\\pict"), 1);
        QCOMPARE(all.count("\\bkmkstart"), 1);
        QVERIFY(all.contains("{\\fldrslt liInk}}E"));
        QVERIFY(all.contains("\\chftn{\\*\\footnote note}"));
        QCOMPARE(all.count("\\super"), 1);

        // Return in a cell starts a paragraph of the cell; the row stays one row.
        const int blocks = box.view().document()->blockCount();
        box.setSelStart(box.DocumentLength() - 2);
        QTest::keyClick(box.focusProxy(), Qt::Key_Return);
        QCOMPARE(box.view().document()->blockCount(), blocks);
        select(box, 0, box.DocumentLength());
        QVERIFY(box.SelRTF().contains("\\pard\\intbl x\\par"));

        // Copied into another editor, everything comes along.
        RichTextBox other;
        other.setSelRTF(box.SelRTF());
        select(other, 0, other.DocumentLength());
        QCOMPARE(other.SelRTF().count("{\\*\\bkmkstart m}"), 1);
        QVERIFY(other.SelRTF().contains("\\pngblip"));
        QCOMPARE(other.Text(), box.Text());
    }

    // List labels hang before their paragraph's text, cells start at their columns, pictures
    // take their size.
    void keptPartsAreLaidOutInPlace()
    {
        RichTextBox box;
        box.resize(600, 300);
        box.setTextRTF("{\\rtf1\\pard{\\listtext 1.\\tab}\\ls1\\fi-360\\li720 item\\par"
                       "\\trowd\\trgaph108\\trleft-108\\cellx1500\\cellx4500\\pard\\intbl one\\cell two\\cell\\row"
                       "{\\pict\\pngblip\\picwgoal1500\\pichgoal750\\picscalex200 00}\\par}");
        QTextDocument &doc = *box.view().document();
        const qreal margin = doc.documentMargin();
        const QTextBlock item = doc.begin();
        doc.documentLayout()->blockBoundingRect(item);
        QCOMPARE(item.layout()->lineAt(0).x(), margin + 720 / 15.0);
        QCOMPARE(ParagraphLayout::indentsOf(item).label, 360 / 15.0);

        const QTextBlock row = item.next();
        doc.documentLayout()->blockBoundingRect(row);
        const QTextLine line = row.layout()->lineAt(0);
        // "two" starts after the tab that ends the first cell, at the second column's edge.
        QVERIFY(qAbs(line.cursorToX(4) - line.x() - (1500 + 108) / 15.0) < 0.1);

        const QTextBlock picture = row.next();
        QCOMPARE(doc.documentLayout()->blockBoundingRect(picture).height() >= 750 / 15.0, true);
        QCOMPARE(picture.layout()->lineAt(0).naturalTextWidth(), 3000 / 15.0);
    }

    void insertTogglesOverwriteOnlyWithoutModifiers()
    {
        RichTextBox box;
        QTest::keyClick(box.focusProxy(), Qt::Key_Insert, Qt::AltModifier);
        QVERIFY(!box.view().overwriteMode());
        QTest::keyClick(box.focusProxy(), Qt::Key_Insert);
        QVERIFY(box.view().overwriteMode());
        QTest::keyClicks(box.focusProxy(), QStringLiteral("ab"));
        box.setSelStart(0);
        QTest::keyClick(box.focusProxy(), Qt::Key_X);
        QCOMPARE(box.Text(), QStringLiteral("xb"));
    }
};

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
