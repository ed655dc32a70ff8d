#include "platform/PictureObject.h"

#include "platform/rtf/RtfKept.h"
#include "platform/rtf/RtfPicture.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextDocument>

namespace {

// A picture that gives no size of its own is shown this big, in pixels.
constexpr double kUnsizedPixels = 32;

} // namespace

PictureObject::PictureObject(std::function<const rtf::KeptStore *()> store, QObject *parent)
    : QObject(parent), m_store(std::move(store))
{
}

QSizeF PictureObject::intrinsicSize(QTextDocument *doc, int, const QTextFormat &format)
{
    // Laid out for a printer, sizes are in its dots rather than the screen's pixels.
    const QPaintDevice *device = doc ? doc->documentLayout()->paintDevice() : nullptr;
    const double scale = device ? device->logicalDpiX() / 96.0 : 1.0;
    double width = twipsToPixels(format.intProperty(rtf::PictureWidth));
    double height = twipsToPixels(format.intProperty(rtf::PictureHeight));
    if (width <= 0 || height <= 0) {
        const rtf::KeptStore *store = m_store();
        const QImage image = store ? store->image(format.intProperty(rtf::PictureId)) : QImage();
        width = image.isNull() ? kUnsizedPixels : image.width();
        height = image.isNull() ? kUnsizedPixels : image.height();
    }
    return {width * scale, height * scale};
}

void PictureObject::drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int,
                               const QTextFormat &format)
{
    const rtf::KeptStore *store = m_store();
    const int id = format.intProperty(rtf::PictureId);
    const QImage image = store ? store->image(id) : QImage();
    if (!image.isNull()) {
        painter->drawImage(rect, image);
        return;
    }
    painter->save();
    painter->setPen(QPen(Qt::gray, 1, Qt::DashLine));
    painter->drawRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));
    const rtf::KeptItem *item = store ? store->item(id) : nullptr;
    if (item && rect.height() >= 12) {
        const QByteArray kind = rtf::findPicture(item->rtf, false).format.toUpper();
        painter->setPen(Qt::darkGray);
        painter->drawText(rect, Qt::AlignCenter, kind.isEmpty() ? QStringLiteral("?") : QString::fromLatin1(kind));
    }
    painter->restore();
}
