// libFuzzer target for the settings store. The input is a damaged or hostile Penwick.conf. Every
// key the program reads must read as something it can use, and what it read must read the same
// after the program has written it back into that file, as it does on exit and when a dialog
// closes.

#include "favorites/FavoritesList.h"
#include "files/MruList.h"
#include "prefs/SettingKeys.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "settings broken: %s\n", what);
        std::abort();
    }
}

constexpr const settings::BoolKey *kBools[] = {&settings::SaveWinState, &settings::OnTop, &settings::SaveLastPath,
                                               &settings::SaveDefPath};
constexpr const settings::NumberKey *kNumbers[] = {&settings::MainLeft,   &settings::MainTop,   &settings::MainWidth,
                                                   &settings::MainHeight, &settings::SearchLeft, &settings::SearchTop,
                                                   &settings::FavsLeft,   &settings::FavsTop};
// The favourites' count is the list's own, written with it.
constexpr const settings::Int16Key *kInt16s[] = {&settings::FontSize};
constexpr const settings::TextKey *kTexts[] = {&settings::LastPath, &settings::DefPath, &settings::Font};

struct Values
{
    QList<bool> bools;
    QList<float> numbers;
    QList<qint16> int16s;
    QStringList texts;
    QStringList recent;
    QStringList favorites;
    bool operator==(const Values &) const = default;
};

Values readAll()
{
    Values v;
    for (const auto *key : kBools)
        v.bools << key->read();
    for (const auto *key : kNumbers) {
        v.numbers << key->read();
        check(std::isfinite(v.numbers.last()), "a position that is no number");
    }
    for (const auto *key : kInt16s)
        v.int16s << key->read();
    for (const auto *key : kTexts)
        v.texts << key->read();

    MruList mru;
    mru.load();
    v.recent = mru.entries();
    check(mru.size() <= MruList::kCapacity, "too many recent files");
    for (int i = 0; i < mru.size(); ++i)
        check(!mru.at(i).isEmpty() && mru.find(mru.at(i)) == i, "an empty or repeated recent file");

    v.favorites = favorites::readFavorites();
    check(v.favorites.size() == std::clamp(int(settings::FavsCount.read()), 0, favorites::maxFavorites),
          "favourites other than counted");
    return v;
}

void writeAll(const Values &v)
{
    for (qsizetype i = 0; i < v.bools.size(); ++i)
        kBools[i]->write(v.bools[i]);
    for (qsizetype i = 0; i < v.numbers.size(); ++i)
        kNumbers[i]->write(v.numbers[i]);
    for (qsizetype i = 0; i < v.int16s.size(); ++i)
        kInt16s[i]->write(v.int16s[i]);
    for (qsizetype i = 0; i < v.texts.size(); ++i)
        kTexts[i]->write(v.texts[i]);
    MruList mru;
    for (auto it = v.recent.crbegin(); it != v.recent.crend(); ++it)
        mru.add(*it);
    mru.save();
    favorites::writeFavorites(v.favorites);
}

QTemporaryDir *homes;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // The program reads its settings with a GUI application in place, whose types a value may name.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "settings_fuzz";
    static char *argv[] = {name, nullptr};
    new QGuiApplication(argc, argv);
    // Every input's store is synced to disk, which adds up over many inputs anywhere but in memory.
    homes = QDir(QStringLiteral("/dev/shm")).exists() ? new QTemporaryDir(QStringLiteral("/dev/shm/settings_fuzz-XXXXXX"))
                                                      : new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A fresh config home each time: the store is cached by file name and told apart from a
    // changed file by its time stamp, which two inputs written within one tick can share.
    static int round = 0;
    const QString home = homes->filePath(QString::number(round++));
    QDir().mkpath(home + QStringLiteral("/Penwick"));
    QFile file(home + QStringLiteral("/Penwick/Penwick.conf"));
    check(file.open(QIODevice::WriteOnly) && file.write(reinterpret_cast<const char *>(data), qint64(size)) == qint64(size),
          "cannot write the input");
    file.close();
    qputenv("XDG_CONFIG_HOME", home.toLocal8Bit());

    const Values read = readAll();
    writeAll(read);
    // Written to the file and read from it anew, as at the next start.
    closeSettingsStores();
    check(readAll() == read, "a value reads otherwise once written back");

    closeSettingsStores();
    QDir(home).removeRecursively();
    return 0;
}
