#include "app/modGenAPI.h"

#include "app/frmPenwick.h"
#include "platform/RichTextBox.h"

#include <QAbstractButton>
#include <QByteArray>
#include <QDialog>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

bool IsRichTextName(const QString &name)
{
    return name.size() >= 3 && name.right(3).compare(QLatin1String("rtf"), Qt::CaseInsensitive) == 0;
}

bool DocumentState::isRichText() const
{
    return IsRichTextName(CurrentFile);
}

int DocumentType(const QString &path)
{
    return IsRichTextName(path) ? RichTextBox::rtfRTF : RichTextBox::rtfText;
}

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

namespace {

// The outer frame, in pixels, that bounds in twips give this window: whole enough on a screen
// that its title bar and menu bar can be reached, and no smaller than it can be.
QRect frameFor(const QWidget &form, const QRectF &twips)
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

} // namespace

void setFormBounds(QWidget &form, const QRectF &twips)
{
    // The window manager's frame is known only once the window is shown; until then the
    // outer size is the inner one.
    const QSize extra = form.frameGeometry().size() - form.geometry().size();
    const QRect frame = frameFor(form, twips);
    form.resize(frame.size() - extra);
    form.move(frame.topLeft());
}

StoredBounds::StoredBounds(QWidget &form)
    : QObject(&form)
    , m_form(form)
{
}

void StoredBounds::restore(const QRectF &twips)
{
    const double k = twipsPerPixel();
    m_placed = frameFor(m_form, twips);
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

void ShowFileStatus(frmPenwick &main)
{
    const QFileInfo file(main.doc().CurrentFile);
    main.setPanelText(1, QStringLiteral("Modified: ") + generalDateText(file.lastModified()));
    main.setPanelText(2, QStringLiteral("Bytes: ") + QString::number(file.size()));
    main.setPanelText(6, QStringLiteral("S"));
}

void ResetFormatting(frmPenwick &main)
{
    RichTextBox &editor = main.rtbEditor();
    const DocumentState &doc = main.doc();
    // Text typed later into an emptied document takes the base font as well.
    editor.setBaseFont(doc.DefaultFont, doc.DefaultFontSize);
    editor.setSelStart(0);
    editor.setSelLength(editor.DocumentLength());
    editor.setSelFontName(doc.DefaultFont);
    editor.setSelFontSize(doc.DefaultFontSize);
    editor.setSelColor(Qt::black);
    editor.setSelBold(false);
    editor.setSelItalic(false);
    editor.setSelUnderline(false);
    editor.setSelAlignment(RichTextBox::rtfLeft);
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

QString shortestNumberText(float value)
{
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    // The float's own shortest digits, so that 10.3f reads 10.3 and not 10.300000190734863.
    const double exact = QByteArray(buffer, int(result.ptr - buffer)).toDouble();
    QLocale locale = QLocale::system();
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(exact, 'g', QLocale::FloatingPointShortest);
}

QString fontPanelText(const std::optional<QString> &font, const std::optional<float> &size)
{
    if (!font)
        return QStringLiteral("Multiple fonts...");
    if (!size)
        return QStringLiteral("Multiple font sizes...");
    return *font + QLatin1Char(' ') + shortestNumberText(*size) + QStringLiteral(" pts");
}

namespace {

// The long time form without the time zone that some locales add to it.
QString longTimeFormat()
{
    QString format = QLocale::system().timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    return format.trimmed();
}

} // namespace

QString longTimeText(const QTime &time)
{
    return QLocale::system().toString(time, longTimeFormat());
}

QString longDateText(const QDate &date)
{
    return QLocale::system().toString(date, QLocale::LongFormat);
}

QString generalDateText(const QDateTime &when)
{
    const QString date = QLocale::system().toString(when.date(), QLocale::ShortFormat);
    if (when.time() == QTime(0, 0))
        return date;
    return date + QLatin1Char(' ') + longTimeText(when.time());
}
