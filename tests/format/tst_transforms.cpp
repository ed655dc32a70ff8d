#include "format/CaseTransforms.h"
#include "platform/CommonDialog.h"

#include "RtfTestUtil.h"
#include "FileFixture.h"

#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>

using namespace Qt::StringLiterals;

namespace {

struct Fixture : FileFixture {
    // Names the document, which decides whether it is rich text, and fills it with runs of
    // differently formatted text, "\n" starting a new paragraph.
    void fill(const char *name, const QList<QPair<QString, rtftest::Look>> &runs)
    {
        window.doc().CurrentFile = QString::fromUtf8(name);
        editor.setTextRTF(QByteArray());
        QTextCursor cursor(editor.view().document());
        for (const auto &[text, look] : runs)
            cursor.insertText(text, rtftest::format(look));
    }
    // Runs a Format menu item on [start, start + length), which must stay selected afterwards.
    void transform(const char *item, int start, int length)
    {
        select(start, length);
        action(window, item)->trigger();
        QCOMPARE(editor.SelStart(), start);
        QCOMPARE(editor.SelLength(), length);
    }
    rtftest::Look lookAt(int position) { return rtftest::lookAt(*editor.view().document(), position); }
};

} // namespace

class TestTransforms : public QObject
{
    Q_OBJECT

private slots:
    void conversionsMapEachCharacterToOne()
    {
        using enum CaseConversion;
        const std::tuple<CaseConversion, QString, QString> cases[] = {
            {Proper, u"(note)"_s, u"(note)"_s},
            {Proper, u"one\r\ntwo"_s, u"One\r\nTwo"_s},
            {Proper, u"ÉCOLE élève"_s, u"École Élève"_s},
            {Proper, QString(), QString()},
            {Invert, u"Hello World 42"_s, u"hELLO wORLD 42"_s},
            {Invert, u"ÄöÉ ß!"_s, u"äÖé ß!"_s},
            {Upper, u"Mixed 1x"_s, u"MIXED 1X"_s},
            {Lower, u"Mixed ÀÉ"_s, u"mixed àé"_s},
            // Letters outside the basic plane change as whole surrogate pairs.
            {Upper, u"\U00010428a\U00010400"_s, u"\U00010400A\U00010400"_s},
            {Invert, u"\U00010428a\U00010400"_s, u"\U00010400A\U00010428"_s},
            {Proper, u"\U00010400\U00010400 \U00010428"_s, u"\U00010400\U00010428 \U00010400"_s},
            // A broken pair is left as it is rather than mapped half by half.
            {Upper, QChar(0xD801) + u"x"_s + QChar(0xDC28), QChar(0xD801) + u"X"_s + QChar(0xDC28)},
        };
        for (const auto &[conversion, text, converted] : cases)
            QCOMPARE(convertCase(text, conversion), converted);

        // A full mapping would turn "ß" into "SS" and shift every later position.
        const QString street = convertCase(u"straße"_s, Upper);
        QCOMPARE(street.size(), 6);
        QVERIFY(street.startsWith(u"STRA"_s));
        QVERIFY(street.endsWith(u"E"_s));

        // Proper case starts a word only after NUL, tab, LF, VT, FF, CR and space; anything else,
        // no-break space and punctuation included, continues the word.
        for (const QChar separator : u"\0\t\n\v\f\r "_s)
            QCOMPARE(convertCase(u"aB"_s + separator + u"cD"_s, Proper), u"Ab"_s + separator + u"Cd"_s);
        for (const QChar joiner : u".-'\"([1_/,\u00a0\u2013"_s)
            QCOMPARE(convertCase(u"ab"_s + joiner + u"CD"_s, Proper), u"Ab"_s + joiner + u"cd"_s);
    }

    // A new document and a text file opened, which the editor holds in different engines.
    void plainDocumentTransformsSelectionAndReselectsIt_data()
    {
        QTest::addColumn<bool>("opened");
        QTest::newRow("new document") << false;
        QTest::newRow("text file") << true;
    }

    void plainDocumentTransformsSelectionAndReselectsIt()
    {
        QFETCH(bool, opened);
        Fixture f;
        const QString original = u"say hello world\r\nnew LINE here"_s;
        if (opened)
            f.open(f.file(u"doc.txt"_s, original.toUtf8()));
        else
            f.editor.setText(original);
        QCOMPARE(f.editor.engine() == RichTextBox::Engine::Plain, opened);
        // On "hello world", the break and "new LI"; each item marks the document changed.
        const std::pair<const char *, QString> steps[] = {
            {"mnuFormatCapitalize", u"say Hello World\r\nNew LiNE here"_s},
            {"mnuFormatInvertCase", u"say hELLO wORLD\r\nnEW lINE here"_s},
            {"mnuFormatUpperCase", u"say HELLO WORLD\r\nNEW LINE here"_s},
            {"mnuFormatLowerCase", u"say hello world\r\nnew liNE here"_s},
        };
        for (const auto &[item, text] : steps) {
            f.window.doc().FileChanged = false;
            f.transform(item, 4, 18);
            QCOMPARE(f.editor.Text(), text);
            QVERIFY(f.window.doc().FileChanged);
        }
        // Each transform is one step of the history.
        f.editor.Undo();
        QCOMPARE(f.editor.Text(), steps[2].second);

        // Without a selection nothing changes, not even the history.
        f.start(u"keep me"_s);
        f.editor.clearHistory();
        for (const char *item :
             {"mnuFormatUpperCase", "mnuFormatLowerCase", "mnuFormatCapitalize", "mnuFormatInvertCase"})
            f.transform(item, 3, 0);
        QCOMPARE(f.editor.Text(), u"keep me"_s);
        QVERIFY(!f.window.doc().FileChanged);
        QVERIFY(!f.editor.CanUndo());
    }

    void richDocumentChangesOnlyLettersAndKeepsEachFormat()
    {
        Fixture f;
        f.fill("/tmp/Letter.RTF",
               {{u"plain "_s, {}}, {u"bold"_s, {.bold = true}}, {u" courier\nsecond"_s, {.family = u"Courier New"_s}}});
        QTextCursor second(f.editor.view().document()->findBlockByNumber(1));
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        second.mergeBlockFormat(centred);

        f.transform("mnuFormatUpperCase", 2, 20);  // "ain bold courier", the break, "sec"
        QCOMPARE(f.editor.Text(), u"plAIN BOLD COURIER\r\nSECond"_s);
        QVERIFY(f.window.doc().FileChanged);
        for (int i = 3; i <= 10; ++i)
            QCOMPARE(f.lookAt(i).bold, i >= 6 && i < 10);
        // Font names are formatting, not text: they keep their case.
        QCOMPARE(f.lookAt(12).family, u"Courier New"_s);
        QCOMPARE(f.lookAt(20).family, u"Courier New"_s);
        QCOMPARE(f.editor.view().document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);

        // One Undo takes the whole transform back.
        f.editor.Undo();
        QCOMPARE(f.editor.Text(), u"plain bold courier\r\nsecond"_s);
        QVERIFY(f.lookAt(7).bold);

        // Capitalising sees words across formats and paragraphs.
        f.fill("notes.rtf", {{u"hel"_s, {}}, {u"LO WOR"_s, {.bold = true}}, {u"ld\nnext"_s, {}}});
        f.transform("mnuFormatCapitalize", 0, f.editor.DocumentLength());
        QCOMPARE(f.editor.Text(), u"Hello World\r\nNext"_s);
        QVERIFY(f.lookAt(3).bold);
        QVERIFY(!f.lookAt(9).bold);

        // A selection inside a word changes only itself, and one starting mid-word capitalises
        // its own first letter.
        f.transform("mnuFormatInvertCase", 2, 3);
        QCOMPARE(f.editor.Text(), u"HeLLO World\r\nNext"_s);
        f.transform("mnuFormatCapitalize", 2, 3);
        QCOMPARE(f.editor.Text(), u"HeLlo World\r\nNext"_s);
    }

    void richTextPathFollowsTheDocumentsOwnType()
    {
        Fixture f;
        const std::pair<const char *, bool> names[] = {
            {"notes.RTF", true}, {"myrtf", true}, {"RTF", true}, {"Rtf", true},
            {"/docs/report.RTF", true},
            {"", false}, {"readme.txt", false}, {"rtf.txt", false}, {"b.rtf2", false}, {"tf", false}};
        for (const auto &[name, rich] : names) {
            f.fill(name, {{u"ab"_s, {}}, {u"cd"_s, {.bold = true}}});
            // The file dialog names something else after a favourite was opened or a selection
            // exported; the document's own file decides.
            f.window.dlgCommonDialog().FileName = rich ? u"Untitled"_s : u"export.rtf"_s;
            f.transform("mnuFormatUpperCase", 0, 4);
            QCOMPARE(f.editor.Text(), u"ABCD"_s);
            // Only the rich-text path keeps each character's own formatting; the plain path
            // writes the selection back as text of one format.
            QCOMPARE(!f.editor.SelBold().has_value(), rich);
        }
    }
};

QTEST_MAIN(TestTransforms)
#include "tst_transforms.moc"
