#include "platform/SettingsStore.h"
#include "prefs/SettingKeys.h"

#include "TestEnvironment.h"

#include <QFileInfo>
#include <QTest>

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // An empty store, and values that cannot be converted, give the defaults.
    void emptyStoreGivesDefaults()
    {
        TemporaryConfigHome home;
        const QString app = QStringLiteral("Penwick");
        const QString section = QStringLiteral("Settings");
        QCOMPARE(GetSetting(app, section, QStringLiteral("Nope"), QStringLiteral("dflt")), QStringLiteral("dflt"));
        QCOMPARE(settings::SaveWinState.read(), false);
        QCOMPARE(settings::MainWidth.read(), 7905.0f);
        QCOMPARE(settings::Font.read(), QStringLiteral("Arial"));
        QCOMPARE(settings::FontSize.read(), qint16(10));
        QCOMPARE(settings::LastPath.read(), QString());
        QVERIFY(!QFileInfo::exists(settingsFilePath(app)));

        SaveSetting(app, section, QStringLiteral("SaveWinState"), QStringLiteral("perhaps"));
        SaveSetting(app, section, QStringLiteral("MainLeft"), QStringLiteral("left"));
        SaveSetting(app, section, QStringLiteral("FontSize"), QStringLiteral("40000"));
        SaveSetting(app, section, QStringLiteral("OnTop"), QStringLiteral("-1"));
        QCOMPARE(settings::SaveWinState.read(), false);
        QCOMPARE(settings::MainLeft.read(), 1000.0f);
        QCOMPARE(settings::FontSize.read(), qint16(10));
        QCOMPARE(settings::OnTop.read(), true);  // a non-zero number is True
    }

    void valuesAreStoredInTheirTextFormsAtOnce()
    {
        TemporaryConfigHome home;
        settings::SaveWinState.write(true);
        settings::OnTop.write(false);
        settings::MainLeft.write(1000);
        settings::MainTop.write(1234.5f);
        settings::DefPath.write(QStringLiteral("/home/me/my docs/"));
        settings::writeListEntry(settings::sectionMru(), 0, QStringLiteral("/tmp/a, b.txt"));

        const QString file = settingsFilePath(QStringLiteral("Penwick"));
        QCOMPARE(file, home.path() + QStringLiteral("/Penwick/Penwick.conf"));
        const QString text = home.storeText();
        QVERIFY2(text.contains(QStringLiteral("[Settings]")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("SaveWinState=True")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("OnTop=False")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("MainLeft=1000\n")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("MainTop=1234.5")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("[MRUFiles]")), qPrintable(text));

        QCOMPARE(settings::SaveWinState.read(), true);
        QCOMPARE(settings::MainTop.read(), 1234.5f);
        QCOMPARE(settings::DefPath.read(), QStringLiteral("/home/me/my docs/"));
        QCOMPARE(settings::readListEntry(settings::sectionMru(), 0), QStringLiteral("/tmp/a, b.txt"));
        QCOMPARE(settings::readListEntry(settings::sectionMru(), 1), QString());
    }

    void integersRoundHalfToEven()
    {
        QCOMPARE(settings::parseInt16(QStringLiteral(" 10.5 ")), std::optional<qint16>(10));
        QCOMPARE(settings::parseInt16(QStringLiteral("11.5")), std::optional<qint16>(12));
        QCOMPARE(settings::parseInt16(QStringLiteral("-32768")), std::optional<qint16>(-32768));
        QCOMPARE(settings::parseInt16(QStringLiteral("32767.6")), std::nullopt);
        QCOMPARE(settings::parseInt16(QStringLiteral("abc")), std::nullopt);
        QCOMPARE(settings::roundHalfEvenToInt16(2.5), qint16(2));
        QCOMPARE(settings::roundHalfEvenToInt16(3.5), qint16(4));
        QCOMPARE(settings::numberText(7905), QStringLiteral("7905"));
        QCOMPARE(settings::numberText(0.1f), QStringLiteral("0.1"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
