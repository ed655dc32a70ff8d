#include "search/TextSearch.h"

#include "RtfTestUtil.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace textsearch;
using namespace Qt::StringLiterals;

namespace {

QTextDocument::FindFlags flagsFor(FindOptions options)
{
    QTextDocument::FindFlags flags;
    flags.setFlag(QTextDocument::FindWholeWords, options.testFlag(FindOption::WholeWord));
    flags.setFlag(QTextDocument::FindCaseSensitively, options.testFlag(FindOption::MatchCase));
    return flags;
}

// Documents built from a few characters that stress case, word edges, breaks and no-break
// spaces, so that random texts hit the corner cases often.
QString randomText(QRandomGenerator &random, int length)
{
    static const QString alphabet = QStringLiteral("aAaAbB1 -\n.\u00a0\u00e9\u00c9");
    QString text;
    for (int i = 0; i < length; ++i)
        text += alphabet.at(random.bounded(int(alphabet.size())));
    return text;
}

QString randomNeedle(QRandomGenerator &random)
{
    static const QStringList needles = {u"a"_s, u"A"_s, u"aa"_s, u"ab"_s, u"-"_s, u"a-"_s, u" "_s, u"a a"_s,
                                        u"\u00e9"_s, u"1a"_s, u"aAa"_s, u"b."_s, QString(), u"a\u2029a"_s};
    return needles.at(random.bounded(int(needles.size())));
}

// Replace All done the slow, obvious way on a real document, giving the text and the count:
// start with the selection when the editor's find finds just that there, else one past its
// start; then find again from after each inserted replacement.
std::pair<QString, int> replaceStepByStep(const QString &original, const QString &needle, const QString &replacement,
                                          FindOptions options, int selStart, int selEnd)
{
    QTextDocument doc;
    doc.setPlainText(original);
    const QTextDocument::FindFlags flags = flagsFor(options);
    int count = 0;
    int from = selStart + 1;
    QTextCursor found = doc.find(needle, selStart, flags);
    if (found.isNull() || found.selectionStart() != selStart || found.selectionEnd() != selEnd)
        found = doc.find(needle, from, flags);
    for (; !found.isNull(); found = doc.find(needle, from, flags)) {
        found.insertText(replacement);
        from = found.position();
        ++count;
    }
    return {doc.toPlainText(), count};
}

} // namespace

class TestFindMatching : public QObject
{
    Q_OBJECT

private slots:
    void matcherAgreesWithTheEditorsFindEverywhere()
    {
        QRandomGenerator random(20240611);
        for (int round = 0; round < 150; ++round) {
            QTextDocument doc;
            doc.setPlainText(randomText(random, 30));
            const QString text = searchableText(doc.toRawText());
            const QString needle = randomNeedle(random);
            for (int bits = 0; bits < 4; ++bits) {
                const FindOptions options = FindOptions::fromInt(bits);
                const Matcher matcher(needle, options);
                for (int from = 0; from <= text.size() + 1; ++from) {
                    const QTextCursor found = doc.find(needle, from, flagsFor(options));
                    const qsizetype expected = found.isNull() ? -1 : found.selectionStart();
                    const bool matchHere = isMatchAt(doc, needle, options, from, from + int(needle.size()));
                    QVERIFY2(matcher.indexIn(text, from) == expected && matchHere == (expected == from),
                             qPrintable(u"text '%1', needle '%2', options %3, from %4: editor finds %5"_s
                                            .arg(doc.toRawText(), needle).arg(options.toInt()).arg(from).arg(expected)));
                }
            }
        }
    }

    void replaceAllAgreesWithReplacingOneAtATime()
    {
        QRandomGenerator random(77);
        const QStringList replacements = {QString(), u"a"_s, u"aa"_s, u"-"_s, u"xAx"_s, u"b\n"_s};
        for (int round = 0; round < 2000; ++round) {
            const QString original = randomText(random, 24);
            const QString needle = randomNeedle(random);
            const QString replacement = replacements.at(random.bounded(int(replacements.size())));
            const FindOptions options = FindOptions::fromInt(random.bounded(4));
            const int selStart = random.bounded(int(original.size()) + 1);
            const int selEnd = std::min(int(original.size()), selStart + random.bounded(3));

            const auto [expected, expectedCount] =
                replaceStepByStep(original, needle, replacement, options, selStart, selEnd);
            QTextDocument doc;
            doc.setPlainText(original);
            const ReplaceAllResult result = replaceAll(doc, needle, replacement, options, selStart, selEnd);
            QVERIFY2(doc.toPlainText() == expected && result.count == expectedCount,
                     qPrintable(QStringLiteral("'%1' → '%2' in '%3', options %4, selection %5-%6")
                                    .arg(needle, replacement, original)
                                    .arg(options.toInt()).arg(selStart).arg(selEnd)));
        }
    }

    void replaceAllEndsAndStartsWhereItShould()
    {
        struct Case {
            QString text, needle, replacement;
            FindOptions options;
            int selStart, selEnd;
            QString replaced;
            int count, caret;
        };
        const Case cases[] = {
            // The selection is the first match: it and every later one are replaced once.
            {u"a b a b a"_s, u"a"_s, u"aa"_s, {}, 0, 1, u"aa b aa b aa"_s, 3, 12},
            {u"cat concatenate cat"_s, u"cat"_s, u"concatenate"_s, FindOption::WholeWord, 0, 3,
             u"concatenate concatenate concatenate"_s, 2, 35},
            // What a replacement leaves in front of the next candidate decides whether it is a word.
            {u"x --"_s, u"-"_s, u"a"_s, FindOption::WholeWord, 2, 3, u"x a-"_s, 1, 3},
            {u"x --"_s, u"-"_s, u"+"_s, FindOption::WholeWord, 2, 3, u"x ++"_s, 2, 4},
            // Deleting: each search starts where the match was, so neighbours go too.
            {u"xxxx yxx"_s, u"x"_s, QString(), {}, 0, 1, u" y"_s, 6, 2},
            // A selection inside a word: it stays, and so does a match at the selection start.
            {u"cat cat cat"_s, u"cat"_s, u"dog"_s, {}, 0, 2, u"cat dog dog"_s, 2, 11},
            {u"cat cat"_s, u"CAT"_s, u"dog"_s, FindOption::MatchCase, 0, 3, u"cat cat"_s, 0, -1},
        };
        for (const Case &c : cases) {
            QTextDocument doc;
            doc.setPlainText(c.text);
            const ReplaceAllResult result = replaceAll(doc, c.needle, c.replacement, c.options, c.selStart, c.selEnd);
            QCOMPARE(doc.toPlainText(), c.replaced);
            QCOMPARE(result.count, c.count);
            QCOMPARE(result.caret, c.caret);
            // Nothing replaced leaves nothing to undo.
            QCOMPARE(doc.isUndoAvailable(), c.count > 0);
        }
    }

    void replaceAllIsOneUndoStepAndKeepsFormatting()
    {
        using rtftest::lookAt;
        QTextDocument doc;
        doc.setPlainText(u"one two\none two\none"_s);
        QTextCursor cursor(&doc);
        cursor.setPosition(4);
        cursor.setPosition(7, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(rtftest::format({.bold = true}));

        const ReplaceAllResult result = replaceAll(doc, u"two"_s, u"2\r\n"_s, {}, 0, 0);
        QCOMPARE(result.count, 2);
        QCOMPARE(doc.toPlainText(), u"one 2\n\none 2\n\none"_s);
        QVERIFY(lookAt(doc, 4).bold);  // the "2" that replaced the bold word

        // One undo takes back every replacement and nothing older: the bold stays.
        doc.undo();
        QCOMPARE(doc.toPlainText(), u"one two\none two\none"_s);
        QVERIFY(lookAt(doc, 5).bold);
        doc.undo();
        QVERIFY(!lookAt(doc, 5).bold);
    }
};

QTEST_MAIN(TestFindMatching)
#include "tst_findmatching.moc"
