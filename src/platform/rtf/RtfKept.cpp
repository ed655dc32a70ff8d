#include "RtfKept.h"

#include "RtfPicture.h"
#include "RtfReader.h"

#include <QSet>
#include <QTextCursor>
#include <QTextDocument>

namespace rtf {

KeptStore::KeptStore(QTextDocument *document)
    : QObject(document)
{
    setObjectName(QStringLiteral("rtfKeptStore"));
}

KeptStore &KeptStore::of(QTextDocument &document)
{
    if (auto *store = document.findChild<KeptStore *>(QString(), Qt::FindDirectChildrenOnly))
        return *store;
    return *new KeptStore(&document);
}

const KeptStore *KeptStore::find(const QTextDocument &document)
{
    return document.findChild<const KeptStore *>(QString(), Qt::FindDirectChildrenOnly);
}

int KeptStore::addSource(SourceTables tables)
{
    m_sources.push_back(std::move(tables));
    return int(m_sources.size()) - 1;
}

const SourceTables *KeptStore::source(int index) const
{
    return index >= 0 && size_t(index) < m_sources.size() ? &m_sources[size_t(index)] : nullptr;
}

int KeptStore::add(KeptItem item)
{
    const int id = m_nextId++;
    m_items.insert(id, std::move(item));
    return id;
}

const KeptItem *KeptStore::item(int id) const
{
    const auto it = m_items.constFind(id);
    return it == m_items.constEnd() ? nullptr : &*it;
}

QImage KeptStore::image(int id) const
{
    const auto cached = m_images.constFind(id);
    if (cached != m_images.constEnd())
        return *cached;
    const KeptItem *picture = item(id);
    QImage image;
    if (picture && picture->kind == KeptItem::Picture)
        image = decodePicture(findPicture(picture->rtf, true));
    m_images.insert(id, image);
    return image;
}

void KeptStore::clear()
{
    m_sources.clear();
    m_items.clear();
    m_images.clear();
    preamble.clear();
    lost.clear();
    primarySource = -1;
}

void KeptStore::prune(const QTextDocument &document)
{
    QSet<int> used;
    for (const QTextFormat &format : document.allFormats()) {
        for (const int property : {PictureId, FieldId, NoteId, PrefixId}) {
            for (int id = format.intProperty(property); id > 0 && !used.contains(id);) {
                used.insert(id);
                const KeptItem *kept = item(id);
                id = kept ? kept->parent : 0;
            }
        }
    }
    for (auto it = m_items.begin(); it != m_items.end();) {
        if (used.contains(it.key())) {
            ++it;
        } else {
            m_images.remove(it.key());
            it = m_items.erase(it);
        }
    }
    // Sources stay: items keep their index, and tables are small.
}

QString noteText(const KeptStore &store, int id)
{
    const KeptItem *note = store.item(id);
    if (!note || note->kind != KeptItem::Note)
        return {};
    // The note's own group read as a document of its own, with the fonts its text refers to.
    const qsizetype at = note->rtf.indexOf("\\footnote");
    if (at < 0)
        return {};
    const SourceTables *source = store.source(note->source);
    QByteArray rtf = "{\\rtf1\\ansi\\ansicpg" + QByteArray::number(source ? source->codepage : 1252);
    if (source)
        rtf += source->fontTable;
    rtf += '{' + note->rtf.mid(at + 9);
    rtf += '}';
    QTextDocument document;
    QTextCursor cursor(&document);
    insertRtf(cursor, rtf);
    QString text = document.toPlainText().trimmed();
    if (!note->label.isEmpty() && text.startsWith(note->label))
        text = text.mid(note->label.size()).trimmed(); // the note's own copy of its mark
    return text;
}

QString instructionText(QByteArrayView rtf)
{
    QString text;
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{' || c == '}' || c == '\r' || c == '\n')
            continue;
        if (c != '\\') {
            text += QLatin1Char(c);
            continue;
        }
        if (++i >= rtf.size())
            break;
        const char next = rtf[i];
        if (detail::isLetter(next)) {
            while (i + 1 < rtf.size()
                   && (detail::isLetter(rtf[i + 1]) || detail::isDigit(rtf[i + 1]) || rtf[i + 1] == '-'))
                ++i;
            if (i + 1 < rtf.size() && rtf[i + 1] == ' ')
                ++i; // the word's delimiter
        } else if (next == '\'' && i + 2 < rtf.size()) {
            const int hi = detail::hexValue(rtf[i + 1]), lo = detail::hexValue(rtf[i + 2]);
            if (hi >= 0 && lo >= 0)
                text += QLatin1Char(char(hi << 4 | lo));
            i += 2;
        } else if (next == '\\' || next == '{' || next == '}') {
            text += QLatin1Char(next);
        }
    }
    return text.simplified();
}

QString fieldInstruction(const KeptStore &store, int id)
{
    const KeptItem *field = store.item(id);
    return field && field->kind == KeptItem::Field ? instructionText(field->rtf) : QString();
}

QString pictureDescription(const KeptStore &store, int id)
{
    const KeptItem *picture = store.item(id);
    if (!picture || picture->kind != KeptItem::Picture)
        return {};
    const QByteArray format = findPicture(picture->rtf, false).format.toUpper();
    const auto cm = [](int twips) { return QString::number(twips * 2.54 / 1440, 'f', 1); };
    return QStringLiteral("%1 picture, %2 × %3 cm")
        .arg(format.isEmpty() ? QStringLiteral("Unknown") : QString::fromLatin1(format),
             cm(picture->widthTwips), cm(picture->heightTwips));
}

} // namespace rtf
