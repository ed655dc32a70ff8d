#include "app/frmPenwick.h"
#include "format/CaseTransforms.h"
#include "platform/CommonDialog.h"
#include "platform/RichTextBox.h"

#include "ScriptedPrompter.h"
#include "TestEnvironment.h"
#include "WindowFixture.h"

#include <QAction>
#include <QTest>

#include <tuple>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QString proper(const QString &text)
{
    return convertCase(text, CaseConversion::Proper);
}

QString invert(const QString &text)
{
    return convertCase(text, CaseConversion::Invert);
}

QTextCharFormat styled(bool bold, const QString &family = QString())
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!family.isEmpty())
        format.setFontFamilies(QStringList{family});
    return format;
}

// Puts runs of differently formatted text into the editor, "\n" starting a new paragraph.
void fill(RichTextBox &editor, const QList<QPair<QString, QTextCharFormat>> &runs)
{
    editor.setTextRTF(QByteArray());
    QTextCursor cursor(editor.document());
    for (const auto &[text, format] : runs)
        cursor.insertText(text, format);
}

void select(RichTextBox &editor, int start, int length)
{
    editor.setSelStart(start);
    editor.setSelLength(length);
}

QTextCharFormat formatAt(RichTextBox &editor, int position)
{
    QTextCursor cursor(editor.document());
    cursor.setPosition(position + 1);  // a cursor reports the character before it
    return cursor.charFormat();
}

void run(frmPenwick &window, const char *item)
{
    window.action(item)->trigger();
}

using Fixture = WindowFixture;

} // namespace

class TestTransforms : public QObject
{
    Q_OBJECT

private slots:
    void properCaseStartsWordsOnlyAfterTheSeparators()
    {
        for (const auto &[in, out] : {std::pair{"hello world", "Hello World"}, {"HELLO-WORLD", "Hello-world"},
                                      {"o'neil", "O'neil"}, {"(note)", "(note)"}, {"a1b", "A1b"},
                                      {"one\r\ntwo", "One\r\nTwo"}, {"ÉCOLE élève", "École Élève"}, {"", ""}})
            QCOMPARE(proper(QString::fromUtf8(in)), QString::fromUtf8(out));

        const char16_t separators[] = {0, 9, 10, 11, 12, 13, 32};
        for (const char16_t separator : separators) {
            const QString text = QStringLiteral("aB") + QChar(separator) + QStringLiteral("cD");
            QCOMPARE(proper(text), QStringLiteral("Ab") + QChar(separator) + QStringLiteral("Cd"));
        }
        // Anything else, no-break space and punctuation included, continues the word.
        const char16_t joiners[] = {u'.', u'-', u'\'', u'"', u'(', u'[', u'1', u'_', u'/', u',', 0xA0, 0x2013};
        for (const char16_t joiner : joiners) {
            const QString text = QStringLiteral("ab") + QChar(joiner) + QStringLiteral("CD");
            QCOMPARE(proper(text), QStringLiteral("Ab") + QChar(joiner) + QStringLiteral("cd"));
        }
    }

    void invertAndPlainConversionsKeepEveryLength()
    {
        QCOMPARE(invert(QStringLiteral("Hello World 42")), QStringLiteral("hELLO wORLD 42"));
        QCOMPARE(invert(QStringLiteral("ÄöÉ ß!")), QStringLiteral("äÖé ß!"));
        QCOMPARE(convertCase(QStringLiteral("Mixed 1x"), CaseConversion::Upper), QStringLiteral("MIXED 1X"));
        QCOMPARE(convertCase(QStringLiteral("Mixed ÀÉ"), CaseConversion::Lower), QStringLiteral("mixed àé"));

        // A full mapping would turn "ß" into "SS" and shift every later position.
        const QString street = convertCase(QStringLiteral("straße"), CaseConversion::Upper);
        QCOMPARE(street.size(), 6);
        QVERIFY(street.startsWith(QStringLiteral("STRA")));
        QVERIFY(street.endsWith(QStringLiteral("E")));

        // Letters outside the basic plane change as whole surrogate pairs.
        const QString deseret = QString::fromUcs4(U"\U00010428a\U00010400");
        QCOMPARE(convertCase(deseret, CaseConversion::Upper), QString::fromUcs4(U"\U00010400A\U00010400"));
        QCOMPARE(invert(deseret), QString::fromUcs4(U"\U00010400A\U00010428"));
        QCOMPARE(proper(QString::fromUcs4(U"\U00010400\U00010400 \U00010428")),
                 QString::fromUcs4(U"\U00010400\U00010428 \U00010400"));
        // A broken pair is left as it is rather than mapped half by half.
        const QString broken = QString(QChar(0xD801)) + QStringLiteral("x") + QChar(0xDC28);
        QCOMPARE(convertCase(broken, CaseConversion::Upper), QString(QChar(0xD801)) + QStringLiteral("X") + QChar(0xDC28));
    }

    void plainDocumentTransformsSelectionAndReselectsIt()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        editor.setText(QStringLiteral("say hello world\r\nnew LINE here"));
        window.doc().FileChanged = false;

        select(editor, 4, 18);  // "hello world", the break, "new LI"
        run(window, "mnuFormatCapitalize");
        QCOMPARE(editor.Text(), QStringLiteral("say Hello World\r\nNew LiNE here"));
        QCOMPARE(editor.SelStart(), 4);
        QCOMPARE(editor.SelLength(), 18);
        QVERIFY(window.doc().FileChanged);

        run(window, "mnuFormatInvertCase");
        QCOMPARE(editor.Text(), QStringLiteral("say hELLO wORLD\r\nnEW lINE here"));
        run(window, "mnuFormatUpperCase");
        QCOMPARE(editor.Text(), QStringLiteral("say HELLO WORLD\r\nNEW LINE here"));
        run(window, "mnuFormatLowerCase");
        QCOMPARE(editor.Text(), QStringLiteral("say hello world\r\nnew liNE here"));
        QCOMPARE(editor.SelStart(), 4);
        QCOMPARE(editor.SelLength(), 18);

        // Each transform is one step of the history.
        editor.Undo();
        QCOMPARE(editor.Text(), QStringLiteral("say HELLO WORLD\r\nNEW LINE here"));

        // Without a selection nothing changes, not even the history.
        editor.setText(QStringLiteral("keep me"));
        editor.setSelStart(3);
        window.doc().FileChanged = false;
        const int steps = editor.document()->availableUndoSteps();
        for (const char *item : {"mnuFormatUpperCase", "mnuFormatLowerCase", "mnuFormatCapitalize", "mnuFormatInvertCase"})
            run(window, item);
        QCOMPARE(editor.Text(), QStringLiteral("keep me"));
        QCOMPARE(editor.SelStart(), 3);
        QCOMPARE(editor.SelLength(), 0);
        QVERIFY(!window.doc().FileChanged);
        QCOMPARE(editor.document()->availableUndoSteps(), steps);
    }

    void richDocumentChangesOnlyLettersAndKeepsEachFormat()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        window.dlgCommonDialog().FileName = QStringLiteral("/tmp/Letter.RTF");
        fill(editor, {{QStringLiteral("plain "), styled(false)},
                      {QStringLiteral("bold"), styled(true)},
                      {QStringLiteral(" courier\nsecond"), styled(false, QStringLiteral("Courier New"))}});
        QTextCursor center(editor.document()->findBlockByNumber(1));
        QTextBlockFormat centred;
        centred.setAlignment(Qt::AlignHCenter);
        center.mergeBlockFormat(centred);

        select(editor, 2, 20);  // "ain bold courier", the break, "sec"
        run(window, "mnuFormatUpperCase");
        QCOMPARE(editor.Text(), QStringLiteral("plAIN BOLD COURIER\r\nSECond"));
        QCOMPARE(editor.SelStart(), 2);
        QCOMPARE(editor.SelLength(), 20);
        QVERIFY(window.doc().FileChanged);

        QCOMPARE(formatAt(editor, 3).fontWeight(), int(QFont::Normal));
        for (int i = 6; i < 10; ++i)
            QCOMPARE(formatAt(editor, i).fontWeight(), int(QFont::Bold));
        // Font names are formatting, not text: they keep their case.
        QCOMPARE(formatAt(editor, 12).fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
        QCOMPARE(formatAt(editor, 20).fontFamilies().toStringList(), QStringList{QStringLiteral("Courier New")});
        QCOMPARE(formatAt(editor, 10).fontWeight(), int(QFont::Normal));
        QCOMPARE(editor.document()->findBlockByNumber(1).blockFormat().alignment() & Qt::AlignHorizontal_Mask,
                 Qt::AlignHCenter);

        // One Undo takes the whole transform back.
        editor.Undo();
        QCOMPARE(editor.Text(), QStringLiteral("plain bold courier\r\nsecond"));
        QCOMPARE(formatAt(editor, 7).fontWeight(), int(QFont::Bold));
    }

    void richCapitalizeSeesWordsAcrossFormatsAndParagraphs()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        window.dlgCommonDialog().FileName = QStringLiteral("notes.rtf");
        fill(editor, {{QStringLiteral("hel"), styled(false)},
                      {QStringLiteral("LO WOR"), styled(true)},
                      {QStringLiteral("ld\nnext"), styled(false)}});
        select(editor, 0, editor.DocumentLength());
        run(window, "mnuFormatCapitalize");
        QCOMPARE(editor.Text(), QStringLiteral("Hello World\r\nNext"));
        QCOMPARE(formatAt(editor, 3).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatAt(editor, 9).fontWeight(), int(QFont::Normal));

        // A selection starting mid-word capitalises its own first letter.
        select(editor, 2, 3);
        run(window, "mnuFormatInvertCase");
        QCOMPARE(editor.Text(), QStringLiteral("HeLLO World\r\nNext"));
    }

    void richTextTestFollowsTheDialogsFileName()
    {
        Fixture f;
        auto [window, editor, answers] = f.parts();
        struct Case {
            const char *name;
            bool rich;
        };
        const Case cases[] = {{"notes.RTF", true}, {"myrtf", true}, {"RTF", true}, {"Rtf", true},
                              {"Untitled", false}, {"readme.txt", false}, {"rtf.txt", false}, {"tf", false}};
        for (const Case &c : cases) {
            window.dlgCommonDialog().FileName = QLatin1String(c.name);
            fill(editor, {{QStringLiteral("ab"), styled(false)}, {QStringLiteral("cd"), styled(true)}});
            select(editor, 0, 4);
            run(window, "mnuFormatUpperCase");
            QCOMPARE(editor.Text(), QStringLiteral("ABCD"));
            // Only the rich-text path keeps each character's own formatting; the plain path
            // writes the selection back as text of one format.
            QCOMPARE(!editor.SelBold().has_value(), c.rich);
        }
    }
};

QTEST_MAIN(TestTransforms)
#include "tst_transforms.moc"
