#include "files/RecoveryStore.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringEncoder>
#include <QUuid>

#include <algorithm>

namespace {

constexpr char kMagic[] = "Penwick recovery copy 1";
constexpr char kCopySuffix[] = ".recovery";
constexpr char kLockSuffix[] = ".lock";
// Room for any path, percent-encoded, and the other fields.
constexpr qsizetype kMaxHeader = 64 * 1024;

QByteArray lineEndingName(LineEnding ending)
{
    switch (ending) {
    case LineEnding::CRLF: return "crlf";
    case LineEnding::CR: return "cr";
    case LineEnding::LF: break;
    }
    return "lf";
}

std::optional<LineEnding> lineEndingFrom(const QByteArray &name)
{
    if (name == "crlf")
        return LineEnding::CRLF;
    if (name == "cr")
        return LineEnding::CR;
    if (name == "lf")
        return LineEnding::LF;
    return std::nullopt;
}

struct Header {
    RecoveryCopy copy;
    qsizetype length = -1;
    QByteArray digest;
    qsizetype contentStart = 0;
};

// The header's fields; nullopt unless every one is there and well-formed.
std::optional<Header> parseHeader(QByteArrayView bytes)
{
    const qsizetype end = bytes.first(std::min(bytes.size(), kMaxHeader)).indexOf("\n\n");
    if (end < 0)
        return std::nullopt;
    const QList<QByteArray> lines = bytes.first(end).toByteArray().split('\n');
    if (lines.value(0) != kMagic)
        return std::nullopt;
    Header header;
    header.contentStart = end + 2;
    RecoveryCopy &copy = header.copy;
    std::optional<bool> richText;
    std::optional<LineEnding> ending;
    bool ok = true;
    for (qsizetype i = 1; i < lines.size() && ok; ++i) {
        const QByteArray &line = lines[i];
        const qsizetype space = line.indexOf(' ');
        const QByteArray key = line.left(space < 0 ? line.size() : space);
        const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
        if (key == "file")
            copy.file = QString::fromUtf8(QByteArray::fromPercentEncoding(value));
        else if (key == "type" && (value == "rtf" || value == "text"))
            richText = value == "rtf";
        else if (key == "encoding")
            copy.textFormat.encoding = value;
        else if (key == "bom")
            copy.textFormat.byteOrderMark = value == "1";
        else if (key == "eol")
            ok = (ending = lineEndingFrom(value)).has_value();
        else if (key == "saved")
            copy.saved = QDateTime::fromString(QString::fromLatin1(value), Qt::ISODateWithMs);
        else if (key == "length")
            header.length = value.toLongLong(&ok);
        else if (key == "md5")
            header.digest = QByteArray::fromHex(value);
    }
    if (!ok || !richText || !ending || !copy.saved.isValid() || header.length < 0 || header.digest.isEmpty())
        return std::nullopt;
    copy.richText = *richText;
    copy.textFormat.lineEnding = *ending;
    return header;
}

std::unique_ptr<QLockFile> makeLock(const QString &path)
{
    auto lock = std::make_unique<QLockFile>(path);
    // A live owner keeps its copy however long it runs; only a dead one gives it up.
    lock->setStaleLockTime(0);
    return lock;
}

// Hands the UTF-8 of a plain editor's text to take a piece at a time, so that it is never whole.
void encodeBuffer(const TextBuffer &buffer, const std::function<void(QByteArrayView)> &take)
{
    constexpr qsizetype kPiece = 1 << 20;
    QStringEncoder utf8(QStringConverter::Utf8);
    buffer.visit(0, buffer.length(), [&](QStringView piece) {
        for (qsizetype at = 0; at < piece.size(); at += kPiece)
            take(QByteArray(utf8.encode(piece.sliced(at, std::min(kPiece, piece.size() - at)))));
        return true;
    });
}

// The RTF, or the text of a string in UTF-8, its separators as breaks.
QByteArray recoveryContent(const RecoveryCopy &copy)
{
    if (copy.richText)
        return copy.rtf;
    // The separators are turned into breaks in the bytes, so that the text is not copied first.
    QByteArray content = copy.text.toUtf8();
    char *put = content.data();
    for (const char *at = content.constData(), *end = at + content.size(); at < end;) {
        if (end - at >= 3 && at[0] == '\xE2' && at[1] == '\x80' && (at[2] == '\xA8' || at[2] == '\xA9')) {
            *put++ = '\n';
            at += 3;
        } else {
            *put++ = *at++;
        }
    }
    content.truncate(put - content.constData());
    return content;
}

QByteArray recoveryHeader(const RecoveryCopy &copy, qsizetype length, const QByteArray &digest)
{
    QByteArray bytes = kMagic;
    bytes += "\nfile " + copy.file.toUtf8().toPercentEncoding("/");
    bytes += QByteArray("\ntype ") + (copy.richText ? "rtf" : "text");
    bytes += "\nencoding " + copy.textFormat.encoding;
    bytes += QByteArray("\nbom ") + (copy.textFormat.byteOrderMark ? "1" : "0");
    bytes += "\neol " + lineEndingName(copy.textFormat.lineEnding);
    bytes += "\nsaved " + copy.saved.toUTC().toString(Qt::ISODateWithMs).toLatin1();
    bytes += "\nlength " + QByteArray::number(length);
    bytes += "\nmd5 " + digest.toHex();
    bytes += "\n\n";
    return bytes;
}

// Writes the copy into file. A plain editor's text is encoded twice, a piece at a time: first
// for the length and digest that the header begins with, then into the file.
bool writeRecoveryFile(const RecoveryCopy &copy, QIODevice &file)
{
    if (!copy.buffer || copy.richText) {
        const QByteArray content = recoveryContent(copy);
        const QByteArray header =
            recoveryHeader(copy, content.size(), QCryptographicHash::hash(content, QCryptographicHash::Md5));
        return file.write(header) == header.size() && file.write(content) == content.size();
    }
    QCryptographicHash digest(QCryptographicHash::Md5);
    qsizetype length = 0;
    encodeBuffer(*copy.buffer, [&](QByteArrayView piece) {
        digest.addData(piece);
        length += piece.size();
    });
    const QByteArray header = recoveryHeader(copy, length, digest.result());
    bool written = file.write(header) == header.size();
    encodeBuffer(*copy.buffer, [&](QByteArrayView piece) {
        written = written && file.write(piece.data(), piece.size()) == piece.size();
    });
    return written;
}

} // namespace

QByteArray recoveryFileBytes(const RecoveryCopy &copy)
{
    QBuffer bytes;
    bytes.open(QIODevice::WriteOnly);
    writeRecoveryFile(copy, bytes);
    return bytes.data();
}

std::optional<RecoveryCopy> parseRecoveryFile(const QByteArray &bytes)
{
    std::optional<Header> header = parseHeader(bytes);
    if (!header)
        return std::nullopt;
    const QByteArrayView content = QByteArrayView(bytes).sliced(header->contentStart);
    if (content.size() != header->length
        || QCryptographicHash::hash(content, QCryptographicHash::Md5) != header->digest)
        return std::nullopt;
    RecoveryCopy copy = std::move(header->copy);
    if (copy.richText)
        copy.rtf = content.toByteArray();
    else
        copy.text = QString::fromUtf8(content);
    return copy;
}

QString recoveryFolder()
{
    // The base directory specification asks for an absolute path; anything else is ignored.
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (!QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Penwick");
}

OrphanedCopy::OrphanedCopy(QString path, std::unique_ptr<QLockFile> lock)
    : m_path(std::move(path))
    , m_lock(std::move(lock))
{
}

OrphanedCopy::OrphanedCopy(OrphanedCopy &&) noexcept = default;
OrphanedCopy &OrphanedCopy::operator=(OrphanedCopy &&) noexcept = default;
OrphanedCopy::~OrphanedCopy() = default;

std::optional<RecoveryCopy> OrphanedCopy::read() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parseRecoveryFile(file.readAll());
}

QString OrphanedCopy::documentFile() const
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const std::optional<Header> header = parseHeader(file.read(kMaxHeader));
    return header ? header->copy.file : QString();
}

void OrphanedCopy::remove()
{
    QFile::remove(m_path);
    if (m_lock)
        m_lock->unlock();
}

RecoveryStore::RecoveryStore(QString folder)
    : m_folder(std::move(folder))
{
    m_writer.setMaxThreadCount(1);
}

RecoveryStore::~RecoveryStore()
{
    m_writer.waitForDone();
}

QString RecoveryStore::copyPath() const
{
    return m_id.isEmpty() ? QString() : m_folder + u'/' + m_id + QLatin1String(kCopySuffix);
}

bool RecoveryStore::own()
{
    if (m_lock)
        return true;
    // The copies hold the user's text: the folder is for the user's eyes only.
    if (!QDir().mkpath(m_folder))
        return false;
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    std::unique_ptr<QLockFile> lock = makeLock(m_folder + u'/' + id + QLatin1String(kLockSuffix));
    if (!lock->tryLock(0))
        return false;
    m_id = id;
    m_lock = std::move(lock);
    return true;
}

void RecoveryStore::enqueue(std::function<void()> task)
{
    ++m_queued;
    m_writer.start([this, task = std::move(task)] {
        task();
        --m_queued;
    });
}

bool RecoveryStore::save(RecoveryCopy copy)
{
    if (!own())
        return false;
    if (!copy.saved.isValid())
        copy.saved = QDateTime::currentDateTimeUtc();
    const quint64 generation = ++*m_latest;
    enqueue([latest = m_latest, generation, path = copyPath(), copy = std::move(copy)]() mutable {
        if (*latest != generation)
            return;
        // Whole or not at all: a kill at any moment leaves the previous copy or this one.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return;
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const bool written = writeRecoveryFile(copy, file);
        copy = RecoveryCopy();
        if (written)
            file.commit();
    });
    return true;
}

void RecoveryStore::discard()
{
    ++*m_latest;
    if (m_id.isEmpty())
        return;
    enqueue([path = copyPath()] { QFile::remove(path); });
}

void RecoveryStore::waitForWrites()
{
    m_writer.waitForDone();
}

std::vector<OrphanedCopy> RecoveryStore::takeOrphans()
{
    const QDir dir(m_folder);
    QStringList ids;
    for (const QString &name : dir.entryList({QStringLiteral("*") + QLatin1String(kCopySuffix),
                                              QStringLiteral("*") + QLatin1String(kLockSuffix)},
                                             QDir::Files)) {
        const QString id = name.left(name.lastIndexOf(u'.'));
        if (id != m_id && !ids.contains(id))
            ids << id;
    }
    std::vector<std::pair<QDateTime, OrphanedCopy>> found;
    for (const QString &id : ids) {
        std::unique_ptr<QLockFile> lock = makeLock(dir.filePath(id + QLatin1String(kLockSuffix)));
        if (!lock->tryLock(0))
            continue;
        const QString path = dir.filePath(id + QLatin1String(kCopySuffix));
        // A write that was cut short leaves its temporary file beside the copy.
        for (const QString &left : dir.entryList({id + QLatin1String(kCopySuffix) + QStringLiteral(".*")}, QDir::Files))
            QFile::remove(dir.filePath(left));
        const QFileInfo info(path);
        // A lock without a copy goes with the lock object.
        if (info.exists())
            found.emplace_back(info.lastModified(), OrphanedCopy(path, std::move(lock)));
    }
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<OrphanedCopy> orphans;
    for (auto &entry : found)
        orphans.push_back(std::move(entry.second));
    return orphans;
}

void RecoveryStore::adopt(OrphanedCopy &&orphan)
{
    if (m_lock) {
        discard();
        waitForWrites();
    }
    const QString name = QFileInfo(orphan.m_path).fileName();
    m_id = name.left(name.size() - qsizetype(sizeof kCopySuffix - 1));
    m_lock = std::move(orphan.m_lock);
    orphan.m_path.clear();
}
