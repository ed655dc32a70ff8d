#include "platform/SettingsStore.h"
#include "prefs/SettingKeys.h"

#include "TestEnvironment.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTest>

using namespace Qt::StringLiterals;

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // An empty store, and values that cannot be converted, give the defaults.
    void emptyStoreGivesDefaults()
    {
        TemporaryConfigHome home;
        const QString app = u"Penwick"_s;
        const QString section = u"Settings"_s;
        QCOMPARE(GetSetting(app, section, u"Nope"_s, u"dflt"_s), u"dflt"_s);
        // One key of each kind: true or false, number, text, 16-bit integer.
        QCOMPARE(settings::SaveWinState.read(), false);
        QCOMPARE(settings::MainWidth.read(), 7905.0f);
        QCOMPARE(settings::Font.read(), u"Arial"_s);
        QCOMPARE(settings::FontSize.read(), qint16(10));
        // Reading alone writes no store.
        QVERIFY(!QFileInfo::exists(settingsFilePath(app)));

        for (const auto &[key, value] :
             {std::pair{"SaveWinState", "perhaps"}, {"MainLeft", "left"}, {"FontSize", "40000"}, {"OnTop", "-1"}})
            SaveSetting(app, section, QLatin1String(key), QLatin1String(value));
        QCOMPARE(settings::SaveWinState.read(), false);
        QCOMPARE(settings::MainLeft.read(), 1000.0f);
        QCOMPARE(settings::FontSize.read(), qint16(10));
        QCOMPARE(settings::OnTop.read(), true);  // a non-zero number is True
    }

    // Changes are read back at once and reach the file together on the next turn of the event
    // loop, in their text forms.
    void valuesReachTheFileTogetherOnTheNextTurn()
    {
        TemporaryConfigHome home;
        const QString path = settingsFilePath(u"Penwick"_s);
        QCOMPARE(path, home.path() + u"/Penwick/Penwick.conf"_s);
        FileWriteCounter writes(path);
        settings::SaveWinState.write(true);
        settings::OnTop.write(false);
        settings::MainLeft.write(1000);
        settings::MainTop.write(1234.5f);
        settings::DefPath.write(u"/home/me/my docs/"_s);
        settings::writeListEntries(settings::sectionMru(), {u"/tmp/a, b.txt"_s});

        QCOMPARE(settings::SaveWinState.read(), true);
        QCOMPARE(settings::MainTop.read(), 1234.5f);
        QCOMPARE(settings::DefPath.read(), u"/home/me/my docs/"_s);
        const settings::ListReader recent(settings::sectionMru());
        QCOMPARE(recent.entry(0), u"/tmp/a, b.txt"_s);
        QCOMPARE(recent.entry(1), QString());
        QCOMPARE(writes.count(), 0);
        QVERIFY(!QFileInfo::exists(path));

        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 1);
        const QString text = QString::fromUtf8(readFileBytes(path));
        for (const char *line : {"[Settings]", "SaveWinState=True", "OnTop=False", "MainLeft=1000\n", "MainTop=1234.5",
                                 "[MRUFiles]"})
            QVERIFY2(text.contains(QLatin1String(line)), qPrintable(text));
        // A turn with nothing changed writes nothing.
        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 1);

        // What another instance wrote meanwhile stays beside the next change.
        QVERIFY(writeFileBytes(path, readFileBytes(path) + "\n[Other]\nKey=kept\n"));
        settings::OnTop.write(true);
        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 2);
        const QString merged = QString::fromUtf8(readFileBytes(path));
        for (const char *line : {"Key=kept", "OnTop=True", "SaveWinState=True"})
            QVERIFY2(merged.contains(QLatin1String(line)), qPrintable(merged));

        // At exit, the changes not yet written go in one write, and a second close has none left.
        for (float left : {1.0f, 2.0f, 3.0f})
            settings::MainLeft.write(left);
        settings::Font.write(u"Courier"_s);
        closeSettingsStores();
        QCOMPARE(writes.count(), 3);
        closeSettingsStores();
        QCoreApplication::processEvents();
        QCOMPARE(writes.count(), 3);
        // Read anew from the file.
        QCOMPARE(settings::MainLeft.read(), 3.0f);
        QCOMPARE(GetSetting(u"Penwick"_s, u"Other"_s, u"Key"_s), u"kept"_s);
    }

    void integersRoundHalfToEven()
    {
        QCOMPARE(settings::parseInt16(u" 10.5 "_s), std::optional<qint16>(10));
        QCOMPARE(settings::parseInt16(u"11.5"_s), std::optional<qint16>(12));
        QCOMPARE(settings::parseInt16(u"-32768"_s), std::optional<qint16>(-32768));
        QCOMPARE(settings::parseInt16(u"32767.6"_s), std::nullopt);
        QCOMPARE(settings::parseInt16(u"abc"_s), std::nullopt);
        QCOMPARE(settings::roundHalfEvenToInt16(2.5), qint16(2));
        QCOMPARE(settings::roundHalfEvenToInt16(3.5), qint16(4));
        QCOMPARE(settings::numberText(0.1f), u"0.1"_s);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
