#include "search/TextSearch.h"

#include <QRandomGenerator>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace textsearch;

namespace {

QTextDocument::FindFlags flagsFor(int options)
{
    QTextDocument::FindFlags flags;
    if (options & WholeWord)
        flags |= QTextDocument::FindWholeWords;
    if (options & MatchCase)
        flags |= QTextDocument::FindCaseSensitively;
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
    static const QStringList needles = {
        QStringLiteral("a"), QStringLiteral("A"), QStringLiteral("aa"), QStringLiteral("ab"),
        QStringLiteral("-"), QStringLiteral("a-"), QStringLiteral(" "), QStringLiteral("a a"),
        QStringLiteral("\u00e9"), QStringLiteral("1a"), QStringLiteral("aAa"), QStringLiteral("b."),
        QString(), QStringLiteral("a\u2029a"),
    };
    return needles.at(random.bounded(int(needles.size())));
}

// Replace All done the slow, obvious way on a real document: replace the selection when the
// editor's find would find it there, then find from after each inserted replacement.
QString replaceStepByStep(const QString &original, const QString &needle, const QString &replacement, int options,
                          int selStart, int selEnd, int *count)
{
    QTextDocument doc;
    doc.setPlainText(original);
    const QTextDocument::FindFlags flags = flagsFor(options);
    *count = 0;
    int from = selStart + 1;
    const QTextCursor atSelection = doc.find(needle, selStart, flags);
    if (!atSelection.isNull() && atSelection.selectionStart() == selStart && atSelection.selectionEnd() == selEnd) {
        QTextCursor cursor = atSelection;
        cursor.insertText(replacement);
        from = cursor.position();
        ++*count;
    }
    for (QTextCursor found = doc.find(needle, from, flags); !found.isNull(); found = doc.find(needle, from, flags)) {
        found.insertText(replacement);
        from = found.position();
        ++*count;
    }
    return doc.toPlainText();
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
            for (int options : {0, 2, 4, 6}) {
                const Matcher matcher(needle, options);
                for (int from = 0; from <= text.size() + 1; ++from) {
                    const QTextCursor found = doc.find(needle, from, flagsFor(options));
                    const qsizetype expected = found.isNull() ? -1 : found.selectionStart();
                    if (matcher.indexIn(text, from) != expected || isMatchAt(doc, needle, options, from, from + int(needle.size()))
                                                                       != (expected == from)) {
                        QFAIL(qPrintable(QStringLiteral("text '%1', needle '%2', options %3, from %4: editor finds %5")
                                             .arg(doc.toRawText(), needle)
                                             .arg(options)
                                             .arg(from)
                                             .arg(expected)));
                    }
                }
            }
        }
    }

    void replaceAllAgreesWithReplacingOneAtATime()
    {
        QRandomGenerator random(77);
        const QStringList replacements = {QString(), QStringLiteral("a"), QStringLiteral("aa"), QStringLiteral("-"),
                                          QStringLiteral("xAx"), QStringLiteral("b\n")};
        for (int round = 0; round < 2000; ++round) {
            const QString original = randomText(random, 24);
            const QString needle = randomNeedle(random);
            const QString replacement = replacements.at(random.bounded(int(replacements.size())));
            const int options = random.bounded(4) * 2;
            const int selStart = random.bounded(int(original.size()) + 1);
            const int selEnd = std::min(int(original.size()), selStart + random.bounded(3));

            int expectedCount = 0;
            const QString expected =
                replaceStepByStep(original, needle, replacement, options, selStart, selEnd, &expectedCount);
            QTextDocument doc;
            doc.setPlainText(original);
            const ReplaceAllResult result = replaceAll(doc, needle, replacement, options, selStart, selEnd);
            QVERIFY2(doc.toPlainText() == expected && result.count == expectedCount,
                     qPrintable(QStringLiteral("'%1' → '%2' in '%3', options %4, selection %5-%6")
                                    .arg(needle, replacement, original)
                                    .arg(options)
                                    .arg(selStart)
                                    .arg(selEnd)));
        }
    }

    void replaceAllEndsAndStartsWhereItShould()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("a b a b a"));
        // The selection is the first match: it and every later one are replaced once.
        ReplaceAllResult result = replaceAll(doc, QStringLiteral("a"), QStringLiteral("aa"), 0, 0, 1);
        QCOMPARE(doc.toPlainText(), QStringLiteral("aa b aa b aa"));
        QCOMPARE(result.count, 3);
        QCOMPARE(result.caret, 12);

        doc.setPlainText(QStringLiteral("cat concatenate cat"));
        result = replaceAll(doc, QStringLiteral("cat"), QStringLiteral("concatenate"), WholeWord, 0, 3);
        QCOMPARE(doc.toPlainText(), QStringLiteral("concatenate concatenate concatenate"));
        QCOMPARE(result.count, 2);

        // What a replacement leaves in front of the next candidate decides whether it is a word.
        doc.setPlainText(QStringLiteral("x --"));
        result = replaceAll(doc, QStringLiteral("-"), QStringLiteral("a"), WholeWord, 2, 3);
        QCOMPARE(doc.toPlainText(), QStringLiteral("x a-"));
        QCOMPARE(result.count, 1);
        doc.setPlainText(QStringLiteral("x --"));
        result = replaceAll(doc, QStringLiteral("-"), QStringLiteral("+"), WholeWord, 2, 3);
        QCOMPARE(doc.toPlainText(), QStringLiteral("x ++"));
        QCOMPARE(result.count, 2);

        // Deleting: each search starts where the match was, so neighbours go too.
        doc.setPlainText(QStringLiteral("xxxx yxx"));
        result = replaceAll(doc, QStringLiteral("x"), QString(), 0, 0, 1);
        QCOMPARE(doc.toPlainText(), QStringLiteral(" y"));
        QCOMPARE(result.count, 6);
        QCOMPARE(result.caret, 2);

        // Part of a word selected: it stays, and so does a match at the selection start.
        doc.setPlainText(QStringLiteral("cat cat cat"));
        result = replaceAll(doc, QStringLiteral("cat"), QStringLiteral("dog"), 0, 0, 2);
        QCOMPARE(doc.toPlainText(), QStringLiteral("cat dog dog"));
        QCOMPARE(result.count, 2);

        doc.setPlainText(QStringLiteral("cat cat"));
        result = replaceAll(doc, QStringLiteral("CAT"), QStringLiteral("dog"), MatchCase, 0, 3);
        QCOMPARE(doc.toPlainText(), QStringLiteral("cat cat"));
        QCOMPARE(result.count, 0);
        QCOMPARE(result.caret, -1);
        QVERIFY(!doc.isUndoAvailable());
    }

    void replaceAllIsOneUndoStepAndKeepsFormatting()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("one two\none two\none"));
        QTextCursor bold(&doc);
        bold.setPosition(4);
        bold.setPosition(7, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setFontWeight(QFont::Bold);
        bold.mergeCharFormat(format);

        const ReplaceAllResult result = replaceAll(doc, QStringLiteral("two"), QStringLiteral("2\r\n"), 0, 0, 0);
        QCOMPARE(result.count, 2);
        QCOMPARE(doc.toPlainText(), QStringLiteral("one 2\n\none 2\n\none"));
        QTextCursor inserted(&doc);
        inserted.setPosition(5);  // after the "2" that replaced the bold word
        QCOMPARE(inserted.charFormat().fontWeight(), int(QFont::Bold));

        // One undo takes back every replacement and nothing older: the bold stays.
        doc.undo();
        QCOMPARE(doc.toPlainText(), QStringLiteral("one two\none two\none"));
        QTextCursor word(&doc);
        word.setPosition(6);
        QCOMPARE(word.charFormat().fontWeight(), int(QFont::Bold));
        doc.undo();
        QCOMPARE(word.charFormat().fontWeight(), int(QFont::Normal));
    }
};

QTEST_MAIN(TestFindMatching)
#include "tst_findmatching.moc"
