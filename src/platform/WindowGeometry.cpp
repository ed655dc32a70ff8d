#include "platform/WindowGeometry.h"

#include <QAbstractButton>
#include <QDialog>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <limits>

double twipsPerPixel()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return 1440.0 / (dpi > 0 ? dpi : 96.0);
}

QRectF screenTwips()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect pixels = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const double k = twipsPerPixel();
    return QRectF(pixels.x() * k, pixels.y() * k, pixels.width() * k, pixels.height() * k);
}

QRectF formBounds(const QWidget &form)
{
    const QRect frame = form.frameGeometry();
    const double k = twipsPerPixel();
    return QRectF(frame.x() * k, frame.y() * k, frame.width() * k, frame.height() * k);
}

QRect placeFrame(const QRectF &frame, const QSize &minimum, int strip, const QList<QRect> &screens)
{
    // Stored values can be anything a damaged file holds: the arithmetic stays in doubles
    // until the result is known to be on a screen.
    const auto finite = [](double value, double fallback) { return std::isfinite(value) ? value : fallback; };
    const double x = finite(frame.x(), 0);
    const double y = finite(frame.y(), 0);
    double width = finite(frame.width(), minimum.width());
    double height = finite(frame.height(), minimum.height());
    // The screen nearest the middle of the title bar.
    QRect area = screens.isEmpty() ? QRect(0, 0, 1024, 768) : screens.constFirst();
    double nearest = std::numeric_limits<double>::infinity();
    const double anchorX = x + width / 2;
    for (const QRect &screen : screens) {
        const double dx = std::max({screen.left() - anchorX, 0.0, anchorX - screen.right()});
        const double dy = std::max({screen.top() - y, 0.0, y - screen.bottom()});
        if (dx * dx + dy * dy < nearest) {
            nearest = dx * dx + dy * dy;
            area = screen;
        }
    }
    width = std::clamp(width, double(minimum.width()), double(std::max(area.width(), minimum.width())));
    height = std::clamp(height, double(minimum.height()), double(std::max(area.height(), minimum.height())));
    const double right = area.left() + std::max(0.0, area.width() - width);
    const double bottom = area.top() + std::max(0.0, area.height() - std::min(double(strip), height));
    return QRect(qRound(std::clamp(x, double(area.left()), right)), qRound(std::clamp(y, double(area.top()), bottom)),
                 qRound(width), qRound(height));
}

QRect placedFrame(const QWidget &form, const QRectF &twips)
{
    const double k = twipsPerPixel();
    const QSize extra = form.frameGeometry().size() - form.geometry().size();
    const QSize minimum = form.minimumSizeHint().expandedTo(form.minimumSize()).expandedTo(QSize(1, 1)) + extra;
    const QMenuBar *menus = form.findChild<const QMenuBar *>(QString(), Qt::FindDirectChildrenOnly);
    const int strip = std::max(extra.height(), form.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &form))
        + (menus ? menus->sizeHint().height() : 0);
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    return placeFrame(QRectF(twips.x() / k, twips.y() / k, twips.width() / k, twips.height() / k), minimum, strip,
                      screens);
}

void setFormBounds(QWidget &form, const QRectF &twips)
{
    // The window manager's frame is known only once the window is shown; until then the
    // outer size is the inner one.
    const QSize extra = form.frameGeometry().size() - form.geometry().size();
    const QRect frame = placedFrame(form, twips);
    form.resize(frame.size() - extra);
    form.move(frame.topLeft());
}

namespace {

// The placed controls: the form's own children and those inside its group boxes.
QList<QWidget *> placedControls(QWidget &form)
{
    QList<QWidget *> controls;
    for (QWidget *child : form.findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        controls << child;
        if (qobject_cast<QGroupBox *>(child))
            controls << child->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    }
    return controls;
}

} // namespace

void FitFormToText(QWidget &form)
{
    double factor = 1.0;
    for (QWidget *control : placedControls(form)) {
        // Wrapped labels take more lines rather than more width.
        const auto *label = qobject_cast<QLabel *>(control);
        const bool oneLine = (label && !label->wordWrap()) || qobject_cast<QAbstractButton *>(control);
        if (oneLine && control->width() > 0)
            factor = std::max(factor, double(control->sizeHint().width()) / control->width());
    }
    if (factor <= 1.0)
        return;
    factor = std::min(factor, 2.0);
    auto scaled = [factor](const QRect &r) {
        return QRect(qRound(r.x() * factor), qRound(r.y() * factor), qRound(r.width() * factor),
                     qRound(r.height() * factor));
    };
    for (QWidget *control : placedControls(form))
        control->setGeometry(scaled(control->geometry()));
    const QSize size(qRound(form.width() * factor), qRound(form.height() * factor));
    if (form.minimumSize() == form.maximumSize())
        form.setFixedSize(size);
    else
        form.resize(size);
}

void CenterForm(QWidget &form)
{
    const QRectF screen = screenTwips();
    QRectF bounds = formBounds(form);
    bounds.moveLeft((screen.width() - bounds.width()) / 2);
    bounds.moveTop((screen.height() - bounds.height()) / 2);
    setFormBounds(form, bounds);
}

namespace {

void setStaysOnTop(QWidget &window, bool onTop)
{
    Qt::WindowFlags flags = window.windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, onTop);
    if (QWindow *handle = window.windowHandle()) {
        // Telling the native window directly keeps it where it is, with its focus; going
        // through setWindowFlags() would hide and re-create it.
        window.overrideWindowFlags(flags);
        handle->setFlags(flags);
    } else {
        window.setWindowFlags(flags);
    }
}

} // namespace

bool SetTopmost(int flag, QWidget *window)
{
    if ((flag != 0 && flag != 1) || !window)
        return false;
    setStaysOnTop(*window, flag == 1);
    // A window it owns, such as its help, would otherwise end up below it.
    for (QWidget *owned : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (owned->isWindow() && !qobject_cast<QDialog *>(owned))
            setStaysOnTop(*owned, flag == 1);
    }
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == (flag == 1);
}
