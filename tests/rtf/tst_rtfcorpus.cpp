// Reads every file of the RTF interop corpus (PENWICK_CORPUS_DIR: NAME.rtf beside its expected
// body text NAME.txt) and compares the text line for line, so that words, their order and
// paragraph ends all count. The expected text is one word processor's rendering, so both sides
// are normalised first: tabs (between cells, after list labels) end lines; lines are trimmed and
// lose a leading list label, Word's second-level "o" only where it stands alone; runs of white
// space, no-break space included, become one; empty lines and pictures' object characters go.
//
// A clone without the corpus skips, naming the folder it looked in; with PENWICK_REQUIRE_CORPUS=1
// (as CI sets it) a missing corpus fails instead.

#include "RtfTestUtil.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

// Files whose expected text is doubtful by the corpus MANIFEST's own caveat, with the reason.
// These are checked as the start of what the reader gives rather than skipped.
const QHash<QString, QString> kExpectedIsPrefix = {
    {QStringLiteral("libreoffice6-sample.rtf"),
     QStringLiteral("the caveat says the expected text goes on past the stray '}' at byte 28,322, "
                    "as this reader does, but the .txt stops there")},
};

QStringList normalised(QString text)
{
    static const QRegularExpression label(
        QStringLiteral("^(?:[\\x{2022}\\x{25E6}\\x{25AA}\\x{00B7}\\x{2013}\\x{2043}"
                       "\\x{F000}-\\x{F0FF}-]|\\(?(?:\\d+|[A-Za-z]|[ivxlcIVXLC]+)[.)])(?:\\s+|$)"));
    static const QRegularExpression space(QStringLiteral("\\s+"),
                                          QRegularExpression::UseUnicodePropertiesOption);
    QStringList lines;
    text.remove(QChar::ObjectReplacementCharacter);
    for (QString line : text.replace(u'\t', u'\n').split(u'\n')) {
        line = line.trimmed().remove(label).replace(space, QStringLiteral(" ")).trimmed();
        if (!line.isEmpty() && line != u"o")
            lines.append(line);
    }
    return lines;
}

const QString kManifest = QStringLiteral("MANIFEST.md");

// The .rtf files the MANIFEST's table names, one per row: "| `NAME.rtf` | ...".
QStringList manifestFiles(const QString &path)
{
    static const QRegularExpression row(QStringLiteral("^\\| `([^`]+\\.rtf)` \\|"),
                                        QRegularExpression::MultilineOption);
    QStringList files;
    for (const QRegularExpressionMatch &match : row.globalMatch(QString::fromUtf8(readFileBytes(path))))
        files.append(match.captured(1));
    return files;
}

} // namespace

class TestRtfCorpus : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        const QString corpus = qEnvironmentVariable("PENWICK_CORPUS_DIR");
        m_dir.setPath(corpus);
        m_found = !corpus.isEmpty() && m_dir.exists(kManifest);
        if (!m_found) {
            const QString where = corpus.isEmpty()
                ? QStringLiteral("PENWICK_CORPUS_DIR is not set")
                : QStringLiteral("no %1 in %2").arg(kManifest, m_dir.absolutePath());
            // CTest counts a skip as a pass, so a run that must check the corpus cannot skip it.
            if (qEnvironmentVariableIntValue("PENWICK_REQUIRE_CORPUS"))
                QFAIL(qPrintable(QStringLiteral("the RTF corpus is required (PENWICK_REQUIRE_CORPUS) but missing: ")
                                 + where));
            QSKIP(qPrintable(QStringLiteral("no RTF corpus, not checked: ") + where));
        }
        // Checked here, not in the data function: a failure there has QtTest run the test
        // function without rows, which aborts. A file gone from the folder fails, not goes unchecked.
        m_files = m_dir.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
        const QStringList listed = manifestFiles(m_dir.filePath(kManifest));
        QVERIFY2(!listed.isEmpty(), "the MANIFEST lists no .rtf file");
        for (const QString &file : listed)
            QVERIFY2(m_files.contains(file), qPrintable(file + " is in the MANIFEST but not in the folder"));
        for (const QString &file : std::as_const(m_files)) {
            const QString txt = file.chopped(4) + QStringLiteral(".txt");
            QVERIFY2(m_dir.exists(txt), qPrintable(txt + " is missing"));
        }
    }

    void readsCorpusFile_data()
    {
        QTest::addColumn<QString>("rtfPath");
        QTest::addColumn<QString>("txtPath");
        for (const QString &file : std::as_const(m_files))
            QTest::newRow(qPrintable(file)) << m_dir.filePath(file) << m_dir.filePath(file.chopped(4) + ".txt");
    }

    void readsCorpusFile()
    {
        QFETCH(QString, rtfPath);
        QFETCH(QString, txtPath);
        ++m_checked;
        QTextDocument doc;
        QTextCursor cursor(&doc);
        const rtf::ReadResult result = rtf::insertRtf(cursor, readFileBytes(rtfPath), rtf::ReadScope::Document);
        QVERIFY2(result.ok, qPrintable(result.error));

        // What Penwick writes of it reads back as the same document, kept parts and all.
        QTextDocument back;
        const QByteArray written = rtftest::roundTrip(doc, back);
        const QStringList before = rtftest::describe(doc);
        const QStringList after = rtftest::describe(back);
        const qsizetype same = std::min(before.size(), after.size());
        QCOMPARE(after.first(same), before.first(same));
        QCOMPARE(after.size(), before.size());

        const QStringList actual = normalised(rtftest::plainText(doc));
        const QStringList expected = normalised(QString::fromUtf8(readFileBytes(txtPath)));
        // Line for line as far as both go, so that a failure shows the first line that differs.
        const qsizetype common = std::min(actual.size(), expected.size());
        QCOMPARE(actual.first(common), expected.first(common));
        const QString name = QFileInfo(rtfPath).fileName();
        if (kExpectedIsPrefix.contains(name))
            QVERIFY2(actual.size() > expected.size(), qPrintable(kExpectedIsPrefix.value(name)));
        else
            QCOMPARE(actual.size(), expected.size());
    }

    void cleanupTestCase()
    {
        if (m_found)
            QVERIFY2(m_checked > 0, qPrintable(m_dir.absolutePath() + " holds the corpus, yet no file was read"));
    }

private:
    QDir m_dir;
    QStringList m_files;
    bool m_found = false;
    int m_checked = 0;
};

QTEST_MAIN(TestRtfCorpus)
#include "tst_rtfcorpus.moc"
