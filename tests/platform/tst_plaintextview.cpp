// The plain engine, through the editor's contract and as a user meets it: keys, mouse, input
// methods, screen readers, drops, scrolling and wrapping. Each case would fail against a view
// that lacked what it names.
#include "platform/RichTextBox.h"
#include "platform/text/PlainTextView.h"

#include "WindowTestUtil.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

// An editor shown and focused, holding text read from a file by the plain engine.
struct PlainEditor
{
    explicit PlainEditor(const QByteArray &bytes, QSize size = QSize(400, 300))
    {
        path = dir.filePath(QStringLiteral("doc.txt"));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(bytes);
        file.close();
        box.resize(size);
        box.show();
        QString error;
        loaded = box.LoadFile(path, RichTextBox::FileType::Text, &error);
        box.activateWindow();
        box.setFocus();
        QCoreApplication::processEvents();
    }
    PlainTextView &view() { return static_cast<PlainTextView &>(box.inputWidget()); }
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(&view(), Qt::Key(key), modifiers);
    }
    QPoint pointOf(qsizetype position)
    {
        const std::optional<QRectF> rect = view().characterRect(position);
        return rect ? rect->center().toPoint() - QPoint(int(rect->width() / 2) - 1, 0) : QPoint(-1, -1);
    }

    QTemporaryDir dir;
    QString path;
    RichTextBox box;
    bool loaded = false;
};

} // namespace

class TestPlainTextView : public QObject
{
    Q_OBJECT

private slots:
    void keepsTheEditorsContract()
    {
        PlainEditor e("one two\r\nthree Two\r\nfour");
        QVERIFY(e.loaded);
        QCOMPARE(e.box.engine(), RichTextBox::Engine::Plain);
        QCOMPARE(e.box.Text(), QStringLiteral("one two\r\nthree Two\r\nfour"));
        QCOMPARE(e.box.DocumentLength(), 22);
        select(e.box, 4, 5);
        QCOMPARE(e.box.SelText(), QStringLiteral("two\r\nt"));

        QCOMPARE(e.box.Find(QStringLiteral("two"), 5, FindOption::MatchCase), -1);
        QCOMPARE(e.box.Find(QStringLiteral("two"), 5), 14);
        QCOMPARE(e.box.SelLength(), 3);
        QCOMPARE(e.box.Find(QStringLiteral("thre"), 0, FindOption::WholeWord), -1);

        select(e.box, 9, 0);
        e.box.Span(QStringLiteral(" "), true, true);  // to the next space
        QCOMPARE(e.box.SelText(), QStringLiteral("hree"));
        e.box.UpTo(QStringLiteral("\r\n"), true, false);
        QCOMPARE(e.box.SelStart(), 17);

        select(e.box, 0, 3);
        e.box.setSelText(QStringLiteral("1\r\n"));
        QCOMPARE(e.box.Text(), QStringLiteral("1\r\n two\r\nthree Two\r\nfour"));
        // Saved as it came: CR LF kept.
        QVERIFY(e.box.SaveFile(e.path, RichTextBox::FileType::Text));
        QFile file(e.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("1\r\n two\r\nthree Two\r\nfour"));
        e.box.Undo();
        QCOMPARE(e.box.Text(), QStringLiteral("one two\r\nthree Two\r\nfour"));
    }

    void typingUndoesInRunsAndOverwrites()
    {
        PlainEditor e("abc\n");
        QSignalSpy changes(&e.box, &RichTextBox::Change);
        e.key(Qt::Key_End);
        QTest::keyClicks(&e.view(), QStringLiteral("def"));
        e.key(Qt::Key_Home);
        QTest::keyClicks(&e.view(), QStringLiteral("xy"));
        QCOMPARE(e.box.Text(), QStringLiteral("xyabcdef\r\n"));
        QCOMPARE(changes.count(), 5);
        e.box.Undo();
        QCOMPARE(e.box.Text(), QStringLiteral("abcdef\r\n"));
        e.box.Undo();
        QCOMPARE(e.box.Text(), QStringLiteral("abc\r\n"));
        QVERIFY(!e.box.CanUndo());

        e.key(Qt::Key_Insert);
        QVERIFY(e.view().overwriteMode());
        e.key(Qt::Key_Home);
        QTest::keyClicks(&e.view(), QStringLiteral("XYZW"));
        // Overwriting stops at the end of the paragraph.
        QCOMPARE(e.box.Text(), QStringLiteral("XYZW\r\n"));
    }

    // Qt's own editor, behind the rich engine, is the measure: each key, from each place,
    // must leave the caret, the selection and the text as it does.
    void keysDoWhatTheRichEngineDoes()
    {
        // An accent on its letter, a surrogate pair, words, a right-to-left paragraph, mixed
        // directions, and a paragraph long enough to wrap.
        const QString text = QStringLiteral("e\u0301x \U0001F600 word, next\n\u05D0\u05D1 \u05D2 abc\n")
            + QStringLiteral("fin ").repeated(60) + QStringLiteral("\nend");
        PlainEditor plain(text.toUtf8());
        RichTextBox rich;
        rich.resize(plain.box.size());
        rich.setBaseFont(plain.box.FontName(), float(plain.box.baseFont().pointSizeF()));
        rich.setText(text);
        rich.show();
        QCoreApplication::processEvents();
        QCOMPARE(rich.engine(), RichTextBox::Engine::Rich);

        const QList<QPair<int, Qt::KeyboardModifiers>> keys = {
            {Qt::Key_Right, {}}, {Qt::Key_Left, {}}, {Qt::Key_Right, Qt::ControlModifier},
            {Qt::Key_Left, Qt::ControlModifier}, {Qt::Key_Home, {}}, {Qt::Key_End, {}},
            {Qt::Key_Down, {}}, {Qt::Key_Up, {}}, {Qt::Key_End, Qt::ShiftModifier},
            {Qt::Key_Right, Qt::ShiftModifier | Qt::ControlModifier}, {Qt::Key_Backspace, {}},
            {Qt::Key_Delete, {}}, {Qt::Key_Backspace, Qt::ControlModifier}};
        for (int from = 0; from <= rich.DocumentLength(); from += 3) {
            for (const auto &[key, modifiers] : keys) {
                rich.setText(text);
                plain.box.setSelStart(0);
                plain.box.setSelLength(plain.box.DocumentLength());
                plain.box.setSelText(text);
                select(rich, from);
                select(plain.box, from);
                QTest::keyClick(&rich.view(), Qt::Key(key), modifiers);
                plain.key(key, modifiers);
                const QString where = QStringLiteral("key %1 (%2) from %3").arg(key, 0, 16).arg(modifiers).arg(from);
                QVERIFY2(plain.box.SelStart() == rich.SelStart() && plain.box.SelLength() == rich.SelLength(),
                         qPrintable(where + QStringLiteral(": %1+%2, rich %3+%4").arg(plain.box.SelStart())
                                        .arg(plain.box.SelLength()).arg(rich.SelStart()).arg(rich.SelLength())));
                QVERIFY2(plain.box.Text() == rich.Text(), qPrintable(where));
            }
        }
    }

    void movesByLinesAndPagesAndScrolls()
    {
        QByteArray lines;
        for (int i = 0; i < 2000; ++i)
            lines += "line " + QByteArray::number(i) + "\n";
        PlainEditor e(lines);
        QScrollBar *bar = e.view().verticalScrollBar();
        e.key(Qt::Key_Down);
        e.key(Qt::Key_Down);
        QCOMPARE(e.box.SelStart(), 14);  // "line 0\n" and "line 1\n"
        e.key(Qt::Key_PageDown);
        const int page = e.box.SelStart();
        QVERIFY(page > 14 * 5);
        QVERIFY(bar->value() > 0);
        QVERIFY(!e.view().caretRect().isEmpty());
        e.key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(e.box.SelStart(), e.box.DocumentLength());
        QVERIFY(!e.view().caretRect().isEmpty());
        QVERIFY(bar->value() > 1900);

        const int before = bar->value();
        QWheelEvent wheel(QPointF(50, 50), e.view().viewport()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(e.view().viewport(), &wheel);
        QVERIFY(bar->value() < before);

        // The scroll bar dragged to the top shows the first line.
        bar->setValue(0);
        QCOMPARE(e.view().positionAt(QPoint(1, 8)), 0);
    }

    void mouseSelectsAndDrops()
    {
        PlainEditor e("alpha beta gamma\nsecond line\n");
        QWidget *port = e.view().viewport();
        QTest::mouseClick(port, Qt::LeftButton, {}, e.pointOf(6));
        QCOMPARE(e.box.SelStart(), 6);
        QTest::mouseClick(port, Qt::LeftButton, Qt::ShiftModifier, e.pointOf(11));
        QCOMPARE(e.box.SelText(), QStringLiteral("beta "));
        QTest::mouseDClick(port, Qt::LeftButton, {}, e.pointOf(13));
        QCOMPARE(e.box.SelText(), QStringLiteral("gamma"));
        QTest::mousePress(port, Qt::LeftButton, {}, e.pointOf(17));
        QTest::mouseMove(port, e.pointOf(20));
        QTest::mouseRelease(port, Qt::LeftButton, {}, e.pointOf(20));
        QCOMPARE(e.box.SelText(), QStringLiteral("sec"));

        QSignalSpy pressed(&e.box, &RichTextBox::MouseDown);
        QTest::mouseClick(port, Qt::RightButton, {}, e.pointOf(2));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(pressed.at(0).at(0).toInt(), 2);

        // Dropped text lands where it is dropped, as one undoable step.
        QMimeData data;
        data.setText(QStringLiteral("NEW "));
        const QPoint at = e.pointOf(6);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(port, &drop);
        QCOMPARE(e.box.Text().left(20), QStringLiteral("alpha NEW beta gamma"));
        e.box.Undo();
        QCOMPARE(e.box.Text().left(16), QStringLiteral("alpha beta gamma"));
    }

    // Dragging the selection carries its text; a drag given up leaves the text where it was.
    void draggingTheSelectionCarriesItsText()
    {
        PlainEditor e("alpha beta gamma\n");
        QWidget *port = e.view().viewport();
        QTest::mouseDClick(port, Qt::LeftButton, {}, e.pointOf(7));
        QCOMPARE(e.box.SelText(), QStringLiteral("beta"));
        QString carried;
        bool during = false;
        QTimer::singleShot(0, port, [&] {
            during = true;
            if (const QDrag *drag = e.view().findChild<QDrag *>())
                carried = drag->mimeData()->text();
            QTest::keyClick(port, Qt::Key_Escape);
        });
        QTest::mousePress(port, Qt::LeftButton, {}, e.pointOf(7));
        QTest::mouseMove(port, e.pointOf(15));
        QTest::mouseRelease(port, Qt::LeftButton, {}, e.pointOf(15));
        QTRY_VERIFY(during);
        QCOMPARE(carried, QStringLiteral("beta"));
        QCOMPARE(e.box.Text(), QStringLiteral("alpha beta gamma\r\n"));
    }

    void inputMethodsComposeAndCommit()
    {
        PlainEditor e("ab\n");
        select(e.box, 1);
        QInputMethodEvent preedit(QStringLiteral("\u3042"), {});
        QCoreApplication::sendEvent(&e.view(), &preedit);
        // Text being composed is shown, not yet in the document.
        QCOMPARE(e.box.Text(), QStringLiteral("ab\r\n"));
        QCOMPARE(e.view().inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("ab"));
        QCOMPARE(e.view().inputMethodQuery(Qt::ImCursorPosition).toInt(), 1);
        QVERIFY(e.view().inputMethodQuery(Qt::ImCursorRectangle).toRectF().isValid());
        QVERIFY(e.view().inputMethodQuery(Qt::ImEnabled).toBool());
        QInputMethodEvent commit;
        commit.setCommitString(QStringLiteral("\u65E5\u672C"));
        QCoreApplication::sendEvent(&e.view(), &commit);
        QCOMPARE(e.box.Text(), QStringLiteral("a\u65E5\u672Cb\r\n"));
        QCOMPARE(e.box.SelStart(), 3);

        // Moving away while composing gives the composition up: none of it stays on screen.
        QInputMethodEvent again(QStringLiteral("\u3044\u3046"), {});
        QCoreApplication::sendEvent(&e.view(), &again);
        e.key(Qt::Key_Home);
        QCOMPARE(e.view().inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("a\u65E5\u672Cb"));
        QCOMPARE(e.view().positionAt(e.pointOf(4) + QPoint(200, 0)), 4);  // past the end of the line
    }

    void screenReadersGetTextCaretAndSelection()
    {
        PlainEditor e("Hello brave world\nnext\n");
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(&e.view());
        QVERIFY(face);
        QCOMPARE(face->role(), QAccessible::EditableText);
        QAccessibleTextInterface *text = face->textInterface();
        QVERIFY(text);
        QCOMPARE(text->characterCount(), 23);
        QCOMPARE(text->text(6, 11), QStringLiteral("brave"));
        select(e.box, 8);
        QCOMPARE(text->cursorPosition(), 8);
        int start = -1;
        int end = -1;
        QCOMPARE(text->textAtOffset(8, QAccessible::WordBoundary, &start, &end), QStringLiteral("brave"));
        QCOMPARE(start, 6);
        QCOMPARE(text->textAtOffset(20, QAccessible::LineBoundary, &start, &end).trimmed(), QStringLiteral("next"));
        select(e.box, 0, 5);
        QCOMPARE(text->selectionCount(), 1);
        text->selection(0, &start, &end);
        QCOMPARE(QPair(start, end), QPair(0, 5));
        QVERIFY(text->characterRect(0).isValid());
        auto *editable = static_cast<QAccessibleEditableTextInterface *>(
            face->interface_cast(QAccessible::EditableTextInterface));
        QVERIFY(editable);
        editable->insertText(0, QStringLiteral(">"));
        QCOMPARE(e.box.Text().left(6), QStringLiteral(">Hello"));
    }

    void wrapsAtTheWindowOrAFixedWidthAndKeepsLongLinesQuick()
    {
        const QByteArray words = QByteArray("word ").repeated(400);  // 2,000 characters
        PlainEditor e(words + "\nshort\n");
        const int atWindow = e.box.LineCount();
        QVERIFY(atWindow > 10);
        e.box.setRightMargin(float(e.box.pixelsToTwips(100)));
        QVERIFY(e.box.LineCount() > atWindow);
        e.box.setRightMargin(float(e.box.pixelsToTwips(100000)));
        QCOMPARE(e.box.LineCount(), 3);

        // Rows of a long paragraph are cut by length, which may part a surrogate pair: the caret
        // steps over both halves.
        PlainEditor pair(QByteArray("a").repeated(int(PlainTextView::kRowLength) - 1) + "\xF0\x9F\x98\x80z");
        select(pair.box, int(PlainTextView::kRowLength) - 1);
        pair.key(Qt::Key_Right);
        QCOMPARE(pair.box.SelStart(), int(PlainTextView::kRowLength) + 1);
        pair.key(Qt::Key_Left);
        QCOMPARE(pair.box.SelStart(), int(PlainTextView::kRowLength) - 1);

        // A paragraph of megabytes takes keys like any other.
        PlainEditor big(QByteArray("x").repeated(3 << 20));
        select(big.box, 1 << 20);
        QTest::keyClicks(&big.view(), QStringLiteral("ab"));
        QCOMPARE(big.box.DocumentLength(), (3 << 20) + 2);
        QCOMPARE(big.box.Text().mid(1 << 20, 3), QStringLiteral("abx"));
        QVERIFY(!big.view().caretRect().isEmpty());
    }

    void largeFilesArriveInTheBackground()
    {
        const QByteArray line = "a line of text that repeats\n";
        const QByteArray bytes = line.repeated(int((64 << 20) / line.size()) + 1);
        PlainEditor e(bytes);
        QVERIFY(e.loaded);
        QSignalSpy changes(&e.box, &RichTextBox::Change);
        // Whatever reads the whole text has all of it; its arrival is no change of the user's.
        QCOMPARE(e.box.DocumentLength(), bytes.size());
        QCOMPARE(changes.count(), 0);
        QTest::keyClicks(&e.view(), QStringLiteral("x"));
        QCOMPARE(e.box.DocumentLength(), bytes.size() + 1);
        QVERIFY(e.box.SaveFile(e.path, RichTextBox::FileType::Text));
        QCOMPARE(QFileInfo(e.path).size(), bytes.size() + 1);

        // Closed while the text is still arriving: the reading stops with it.
        auto box = std::make_unique<RichTextBox>();
        QVERIFY(box->LoadFile(e.path, RichTextBox::FileType::Text));
        auto &arriving = static_cast<PlainTextView &>(box->inputWidget());
        QVERIFY(arriving.buffer().length() < bytes.size());
        QVERIFY(arriving.isReadOnly());  // no typing into half a file
        box.reset();
    }

    void formattingMovesTheDocumentToTheRichEngine()
    {
        PlainEditor e("plain text\n");
        // What plain text has anyway asks nothing of the engine.
        select(e.box, 0, 5);
        e.box.setSelBold(false);
        e.box.setSelColor(Qt::black);
        e.box.setSelAlignment(RichTextBox::Alignment::Left);
        const QFont base = e.box.baseFont();
        const QByteArray rtf = "{\\rtf1{\\fonttbl{\\f0 " + base.family().toUtf8() + ";}}\\f0\\fs"
            + QByteArray::number(qRound(base.pointSizeF() * 2)) + " pasted}";
        QVERIFY(e.box.setSelRTF(rtf));
        QCOMPARE(e.box.engine(), RichTextBox::Engine::Plain);
        QCOMPARE(e.box.SelBold(), std::optional<bool>(false));
        QCOMPARE(e.box.Text(), QStringLiteral("pasted text\r\n"));

        select(e.box, 0, 6);
        e.box.setSelBold(true);
        QCOMPARE(e.box.engine(), RichTextBox::Engine::Rich);
        QCOMPARE(e.box.Text(), QStringLiteral("pasted text\r\n"));
        QCOMPARE(e.box.SelBold(), std::optional<bool>(true));
        QCOMPARE(e.box.SelText(), QStringLiteral("pasted"));
    }
};

QTEST_MAIN(TestPlainTextView)
#include "tst_plaintextview.moc"
