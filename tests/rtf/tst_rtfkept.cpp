// What an RTF document holds beyond its text: read from files other programs wrote, written by
// Penwick and read again, nothing may be missing or changed.
#include "RtfTestUtil.h"
#include "TestEnvironment.h"

#include "platform/rtf/RtfPicture.h"

#include <QRegularExpression>
#include <QSet>
#include <QtTest>

using namespace rtftest;

namespace {

// The parts of a document, counted as a user would see them.
struct Parts
{
    int pictures = 0, drawn = 0, rows = 0, cells = 0, notes = 0, listItems = 0, fields = 0;
    bool header = false, footer = false;
    QList<QByteArray> pictureBytes;

    bool operator==(const Parts &) const = default;
};

} // namespace

Q_DECLARE_METATYPE(Parts)

namespace {

char *toString(const Parts &p)
{
    return QTest::toString(QStringLiteral("%1 pictures (%2 drawn), %3 rows, %4 cells, %5 notes, "
                                          "%6 list items, %7 fields, header %8, footer %9")
                               .arg(p.pictures).arg(p.drawn).arg(p.rows).arg(p.cells).arg(p.notes)
                               .arg(p.listItems).arg(p.fields).arg(p.header).arg(p.footer));
}

Parts partsOf(const QTextDocument &doc)
{
    Parts parts;
    const rtf::KeptStore *kept = rtf::KeptStore::find(doc);
    QSet<int> notes, fields;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextBlockFormat format = block.blockFormat();
        if (format.hasProperty(rtf::CellRight)) {
            ++parts.rows;
            ++parts.cells;
        }
        if (!format.stringProperty(rtf::ListLabel).isEmpty())
            ++parts.listItems;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat c = it.fragment().charFormat();
            if (c.boolProperty(rtf::CellEnd) && format.hasProperty(rtf::CellRight))
                parts.cells += it.fragment().length();
            if (c.hasProperty(rtf::NoteId))
                notes.insert(c.intProperty(rtf::NoteId));
            if (c.hasProperty(rtf::FieldId))
                fields.insert(c.intProperty(rtf::FieldId));
            if (const int id = c.intProperty(rtf::PictureId)) {
                ++parts.pictures;
                parts.drawn += kept && !kept->image(id).isNull();
                parts.pictureBytes << rtf::findPicture(kept->item(id)->rtf, true).data;
            }
        }
    }
    parts.notes = int(notes.size());
    parts.fields = int(fields.size());
    if (kept) {
        parts.header = kept->preamble.contains("{\\header");
        parts.footer = kept->preamble.contains("{\\footer");
    }
    return parts;
}

} // namespace

class TestRtfKept : public QObject
{
    Q_OBJECT

private slots:
    // Documents LibreOffice wrote (tests/interop/docs); the counts are what LibreOffice itself
    // reads in them.
    void keepsThePartsOfOtherProgramsDocuments_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<Parts>("expected");
        QTest::newRow("letter") << "letter.rtf" << Parts{2, 2, 3, 9, 1, 0, 0, false, false, {}};
        QTest::newRow("minutes") << "minutes.rtf" << Parts{0, 0, 0, 0, 1, 5, 0, true, true, {}};
        QTest::newRow("six pictures") << "six-pictures.rtf" << Parts{6, 6, 0, 0, 0, 0, 0, false, false, {}};
        // Five fields: three in the text, one with an empty result (kept whole as it stands),
        // one in the footer.
        QTest::newRow("fields and table") << "fields-table.rtf" << Parts{0, 0, 3, 6, 2, 6, 3, true, true, {}};
        QTest::newRow("word-style") << "word-style.rtf" << Parts{1, 1, 3, 9, 1, 3, 0, true, true, {}};
    }

    void keepsThePartsOfOtherProgramsDocuments()
    {
        QFETCH(QString, file);
        QFETCH(Parts, expected);
        QTextDocument doc;
        QVERIFY(load(doc, readFileBytes(QStringLiteral(PENWICK_INTEROP_DOCS "/") + file)));
        Parts read = partsOf(doc);
        expected.pictureBytes = read.pictureBytes;
        QCOMPARE(read, expected);
        for (const QByteArray &bytes : read.pictureBytes)
            QVERIFY(bytes.size() > 64);

        QTextDocument back;
        roundTrip(doc, back);
        QCOMPARE(partsOf(back), read); // the pictures' bytes included
        QCOMPARE(describe(back), describe(doc));
    }

    void charactersKeepTheirLook()
    {
        QTextDocument doc;
        load(doc, "{\\rtf1{\\colortbl;\\red255\\green255\\blue0;\\red0\\green0\\blue255;}"
                  "{\\super 1}{\\sub 2}{\\up6 3}{\\dn4 4}{\\highlight1 5}{\\chcbpat2 6}{\\scaps 7}{\\caps 8}"
                  "{\\v 9}{\\uldb A}{\\ulwave B}{\\uld C}{\\striked1 D}{\\dbch\\ab\\ai E}{\\rtlch\\ab F}"
                  "{\\ltrch\\ab G}{\\lang1031\\noproof H}}");
        QCOMPARE(plainText(doc), QStringLiteral("123456789ABCDEFGH"));
        const auto at = [&doc](int pos) { return charFormatAt(doc, pos); };
        QCOMPARE(at(0).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(at(1).verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(at(2).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(at(3).verticalAlignment(), QTextCharFormat::AlignSubScript);
        QCOMPARE(at(4).background().color(), QColor(255, 255, 0));
        QCOMPARE(at(5).background().color(), QColor(0, 0, 255));
        QCOMPARE(at(6).fontCapitalization(), QFont::SmallCaps);
        QCOMPARE(at(7).fontCapitalization(), QFont::AllUppercase);
        QVERIFY(at(8).boolProperty(rtf::Hidden));
        QCOMPARE(at(9).underlineStyle(), QTextCharFormat::SingleUnderline);
        QCOMPARE(at(10).underlineStyle(), QTextCharFormat::WaveUnderline);
        QCOMPARE(at(11).underlineStyle(), QTextCharFormat::DotLine);
        QVERIFY(at(12).fontStrikeOut());
        // Associated bold and italic count in double-byte and right-to-left runs only.
        QVERIFY(at(13).fontWeight() == QFont::Bold && at(13).fontItalic());
        QCOMPARE(at(14).fontWeight(), int(QFont::Bold));
        QCOMPARE(at(15).fontWeight(), int(QFont::Normal));

        QTextDocument back;
        const QByteArray written = roundTrip(doc, back);
        for (const char *word : {"\\super", "\\sub", "\\up6", "\\dn4", "\\highlight1", "\\chcbpat2",
                                 "\\scaps", "\\caps", "\\v 9", "\\uldb", "\\ulwave", "\\uld C", "\\striked1",
                                 "\\lang1031\\noproof"})
            QVERIFY2(written.contains(word), word);
        QCOMPARE(describe(back), describe(doc));
    }

    void keptTextReadUnderUc0ReadsTheSameWhenWrittenBack()
    {
        // With \uc0 no fallback follows a \u, so the "o" is text; the writer's \uc1 would skip it.
        QTextDocument doc, back;
        load(doc, "{\\rtf1\\uc0 A{\\super\\chftn}{\\*\\footnote \\pard N\\u233 o.}\\par}");
        const auto note = [](const QTextDocument &d) {
            return rtf::noteText(*rtf::KeptStore::find(d), charFormatAt(d, 1).intProperty(rtf::NoteId));
        };
        QCOMPARE(note(doc), QStringLiteral("N\u00e9o."));
        roundTrip(doc, back);
        QCOMPARE(note(back), QStringLiteral("N\u00e9o."));
    }

    void fieldsAndNotesGoWithTheirText()
    {
        QTextDocument doc;
        load(doc, "{\\rtf1 Dear {\\field{\\*\\fldinst MACROBUTTON NoMacro [Click here and type name]}"
                  "{\\fldrslt }},\\par See {\\field\\fldlock{\\*\\fldinst HYPERLINK \"http://x.org\"}"
                  "{\\fldrslt the {\\field{\\*\\fldinst PAGE}{\\fldrslt 7}} site}}{\\super\\chftn}"
                  "{\\*\\footnote \\pard {\\super\\chftn} Note {\\b text}.}{\\*\\bkmkstart here}.}");
        // A macro button shows its instruction's text, having no result of its own.
        QCOMPARE(plainText(doc), QStringLiteral("Dear [Click here and type name],\nSee the 7 site1."));
        const rtf::KeptStore &kept = *rtf::KeptStore::find(doc);
        const int link = charFormatAt(doc, 37).intProperty(rtf::FieldId);
        const int page = charFormatAt(doc, 41).intProperty(rtf::FieldId);
        QCOMPARE(kept.item(page)->parent, link);
        QCOMPARE(rtf::fieldInstruction(kept, link), QStringLiteral("HYPERLINK \"http://x.org\""));
        const int note = charFormatAt(doc, 47).intProperty(rtf::NoteId);
        QCOMPARE(rtf::noteText(kept, note), QStringLiteral("Note text."));
        QCOMPARE(charFormatAt(doc, 48).intProperty(rtf::NoteId), 0);

        // Written and read back: one field inside the other, the note after its mark.
        QTextDocument back;
        const QByteArray written = roundTrip(doc, back);
        QCOMPARE(written.count("{\\field"), 3);
        QVERIFY(written.contains("{\\field\\fldlock{\\*\\fldinst HYPERLINK"));
        QVERIFY(written.contains("\\chftn{\\*\\footnote"));
        QCOMPARE(describe(back), describe(doc));

        // Deleting a part's characters deletes the part; undo brings it back.
        QTextCursor cursor(&doc);
        cursor.setPosition(47);
        cursor.setPosition(48, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        QVERIFY(!rtf::documentToRtf(doc).contains("\\footnote"));
        cursor.setPosition(33);
        cursor.setPosition(47, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        const QByteArray cut = rtf::documentToRtf(doc);
        QVERIFY(!cut.contains("HYPERLINK") && !cut.contains("PAGE") && cut.contains("\\bkmkstart here"));
        doc.undo();
        doc.undo();
        QCOMPARE(rtf::documentToRtf(doc), written);
    }

    void tablesAndListsKeepTheirStructure()
    {
        QTextDocument doc;
        load(doc, "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f3\\fcharset2 Symbol;}}"
                  "{\\*\\listtable{\\list\\listid7{\\listlevel{\\leveltext \\'02\\'00.;}}}}"
                  "{\\listoverridetable{\\listoverride\\listid7\\ls1}}"
                  "\\pard{\\listtext\\f3 \\'b7\\tab}\\ls2 symbol\\par{\\listtext \\u61623\\'3f}private\\par"
                  "\\pard{\\listtext 1.\\tab}\\ls1\\fi-360\\li720 one\\par"
                  "\\trowd\\trgaph108\\trleft-108\\clbrdrt\\brdrs\\clcbpat2\\cellx2000\\clvmgf\\cellx4000"
                  "\\pard\\intbl\\qc a\\par b\\cell c\\cell\\row"
                  "\\trowd\\cellx2000\\pard\\intbl d\\cell e\\cell f\\cell\\row"
                  "\\pard\\intbl g{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}\\nestcell h\\nestcell\\nestrow\\cell\\row"
                  "\\pard after\\par}");
        QCOMPARE(plainText(doc), QStringLiteral("symbol\nprivate\none\na\nb\tc\nd\te\tf\ng\th\t\n\nafter"));
        // A symbol font's bullet is shown as a bullet, in whatever font the paragraph has.
        QCOMPARE(doc.begin().blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("\u2022"));
        QCOMPARE(doc.begin().next().blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("\u2022"));
        const QTextBlock list = doc.begin().next().next();
        QCOMPARE(list.blockFormat().stringProperty(rtf::ListLabel), QStringLiteral("1."));
        QCOMPARE(list.blockFormat().intProperty(rtf::LeftIndent), 720);
        const QTextBlockFormat row = list.next().blockFormat();
        QCOMPARE(row.property(rtf::CellDefs).toStringList(),
                 (QStringList{"\\clbrdrt\\brdrs\\clcbpat2\\cellx2000", "\\clvmgf\\cellx4000"}));
        // Cells beyond the row's last \cellx get columns of their own.
        QCOMPARE(list.next().next().blockFormat().property(rtf::CellRight).value<QList<int>>(),
                 (QList<int>{2000, 4000, 6000}));
        QCOMPARE(rtf::KeptStore::find(doc)->lost.value(
                     QStringLiteral("nested tables (their text is kept in the outer cell)")), 1);

        QTextDocument back;
        const QByteArray written = roundTrip(doc, back);
        QVERIFY(written.contains("{\\listtext 1.\\tab}"));
        QVERIFY(written.contains("\\intbl\\qc a\\par"));
        QCOMPARE(written.count("\\row"), 3);
        QCOMPARE(describe(back), describe(doc));
    }

    // Kept RTF pasted from another document refers to that document's font and colour numbers.
    void pastedPartsAreRenumbered()
    {
        QTextDocument doc;
        load(doc, "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}{\\colortbl;\\red9\\green9\\blue9;}"
                  "\\f0 Host text\\par}");
        QTextCursor cursor(&doc);
        cursor.movePosition(QTextCursor::End);
        rtf::insertRtf(cursor, "{\\rtf1{\\fonttbl{\\f0 Symbol;}{\\f1 Georgia;}}{\\colortbl;\\red200\\green0\\blue0;}"
                               "x{\\super\\chftn}{\\*\\footnote \\pard\\f1\\cf1 In Georgia, red.}}");
        QTextDocument back;
        roundTrip(doc, back);
        const rtf::KeptStore &kept = *rtf::KeptStore::find(back);
        const int note = charFormatAt(back, 10).intProperty(rtf::NoteId);
        QVERIFY(note != 0);
        const QString rtf = QString::fromLatin1(kept.item(note)->rtf);
        const rtf::detail::Tables &tables = kept.source(kept.item(note)->source)->tables;
        const auto number = [&rtf](const char *word) {
            return QRegularExpression(QStringLiteral("\\\\%1(\\d+)").arg(QLatin1String(word)))
                .match(rtf).captured(1).toInt();
        };
        QCOMPARE(tables.fonts.value(number("f")).name, QStringLiteral("Georgia"));
        QCOMPARE(tables.colors.at(size_t(number("cf"))), QColor(200, 0, 0));
    }
};

QTEST_MAIN(TestRtfKept)
#include "tst_rtfkept.moc"
