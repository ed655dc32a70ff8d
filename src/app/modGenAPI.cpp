#include "app/modGenAPI.h"

#include "platform/LocaleText.h"
#include "platform/WindowGeometry.h"

#include <QEvent>
#include <QWidget>

#include <cmath>

StoredBounds::StoredBounds(QWidget &form)
    : QObject(&form)
    , m_form(form)
{
}

void StoredBounds::restore(const QRectF &twips)
{
    const double k = twipsPerPixel();
    m_placed = placedFrame(m_form, twips);
    const QRectF asked(twips.x() / k, twips.y() / k, twips.width() / k, twips.height() / k);
    // Bounds that had to be brought back onto a screen are not stored again as they were read.
    const bool kept = std::abs(m_placed.x() - asked.x()) < 1 && std::abs(m_placed.y() - asked.y()) < 1
        && std::abs(m_placed.width() - asked.width()) < 1 && std::abs(m_placed.height() - asked.height()) < 1;
    m_read = kept ? twips
                  : QRectF(m_placed.x() * k, m_placed.y() * k, m_placed.width() * k, m_placed.height() * k);
    setFormBounds(m_form, twips);
    if (m_form.frameGeometry().size() == m_form.geometry().size())
        m_form.installEventFilter(this);
}

QRectF StoredBounds::toStore() const
{
    if (m_read && m_form.frameGeometry() == m_placed)
        return *m_read;
    return formBounds(m_form);
}

bool StoredBounds::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    const bool placed = type == QEvent::Show || type == QEvent::Move || type == QEvent::Resize;
    if (watched == &m_form && placed && m_read && m_form.isVisible()
        && m_form.frameGeometry().size() != m_form.geometry().size()) {
        // The frame has just become known: the outer size now comes out right.
        m_form.removeEventFilter(this);
        setFormBounds(m_form, *m_read);
    }
    return QObject::eventFilter(watched, event);
}

QString fontPanelText(const std::optional<QString> &font, const std::optional<float> &size)
{
    if (!font)
        return QStringLiteral("Multiple fonts...");
    if (!size)
        return QStringLiteral("Multiple font sizes...");
    return *font + QLatin1Char(' ') + shortestNumberText(*size) + QStringLiteral(" pts");
}
