#include "platform/FontDialogParts.h"
#include "platform/Prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace Qt::StringLiterals;

namespace {

// Runs the real font dialog: act works it once it is up, then it is confirmed.
std::optional<FontRequest> choose(const FontRequest &initial, const std::function<void(QFontDialog &)> &act)
{
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFontDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            if (QWidget *other = QApplication::activeModalWidget())
                other->close();
            QFAIL("no font dialog came up");
        }
        act(*dialog);
        dialog->accept();
    });
    QtPrompter prompter;
    return prompter.font(nullptr, initial);
}

void typeSize(QFontDialog &dialog, const QString &size)
{
    auto *edit = dialog.findChild<QLineEdit *>(u"fontSizeEdit"_s);
    QVERIFY(edit);
    edit->selectAll();
    QTest::keyClicks(edit, size);
    QCOMPARE(edit->text(), size);
}

QCheckBox *effectBox(QFontDialog &dialog, bool underline)
{
    for (QCheckBox *box : dialog.findChildren<QCheckBox *>()) {
        if (QString(box->text()).remove(u'&').contains(underline ? u"Underline"_s : u"Strikeout"_s))
            return box;
    }
    return nullptr;
}

} // namespace

class TestFontDialog : public QObject
{
    Q_OBJECT

private slots:
    void typedSizesTakeEitherSeparator()
    {
        QCOMPARE(fontdialog::parsePointSize(u"11.5"_s), std::optional<double>(11.5));
        QCOMPARE(fontdialog::parsePointSize(u" 11,5 "_s), std::optional<double>(11.5));
        QCOMPARE(fontdialog::parsePointSize(u"12"_s), std::optional<double>(12));
        for (const QString &bad : {u""_s, u"0"_s, u"."_s, u"1,2,3"_s, u"9999"_s})
            QCOMPARE(fontdialog::parsePointSize(bad), std::nullopt);
    }

    // An aliased face starts the dialog on the face behind it and comes back under its own
    // name unless the user picked another; a size with a decimal survives the size box.
    void aliasesAndDecimalSizesSurviveTheDialog()
    {
        const QString behindArial = QFontInfo(QFont(u"Arial"_s)).family();
        FontRequest initial{u"Arial"_s, 10};
        std::optional<FontRequest> chosen = choose(initial, [&](QFontDialog &dialog) {
            QCOMPARE(dialog.currentFont().family(), behindArial);
        });
        QVERIFY(chosen);
        QCOMPARE(chosen->family, u"Arial"_s);
        QCOMPARE(chosen->pointSize, 10.0);

        for (const QString &typed : {u"11.5"_s, u"11,5"_s}) {
            chosen = choose(initial, [&](QFontDialog &dialog) { typeSize(dialog, typed); });
            QVERIFY(chosen);
            QCOMPARE(chosen->pointSize, 11.5);
            QCOMPARE(chosen->family, u"Arial"_s);
        }

        const QString other = behindArial == u"DejaVu Serif"_s ? u"DejaVu Sans"_s : u"DejaVu Serif"_s;
        QVERIFY(QFontDatabase::hasFamily(other));
        chosen = choose(initial, [&](QFontDialog &dialog) { dialog.setCurrentFont(QFont(other, 10)); });
        QVERIFY(chosen);
        QCOMPARE(chosen->family, other);
    }

    void effectsAreOfferedOnlyWhereTheyApply()
    {
        FontRequest initial{u"DejaVu Sans"_s, 12};
        initial.effects = true;
        initial.underline = true;
        std::optional<FontRequest> chosen = choose(initial, [](QFontDialog &dialog) {
            QCheckBox *underline = effectBox(dialog, true);
            QCheckBox *strikeOut = effectBox(dialog, false);
            QVERIFY(underline && strikeOut);
            QVERIFY(underline->isChecked());
            QVERIFY(!strikeOut->isChecked());
            strikeOut->click();
        });
        QVERIFY(chosen);
        QVERIFY(chosen->underline);
        QVERIFY(chosen->strikeOut);

        initial.effects = false;
        chosen = choose(initial, [](QFontDialog &dialog) {
            QCheckBox *underline = effectBox(dialog, true);
            QVERIFY(underline);
            QVERIFY(!underline->isVisibleTo(&dialog));
            underline->setChecked(true);
        });
        QVERIFY(chosen);
        QVERIFY(!chosen->underline);
    }
};

QTEST_MAIN(TestFontDialog)
#include "tst_fontdialog.moc"
