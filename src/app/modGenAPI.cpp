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
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <charconv>

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

void setFormBounds(QWidget &form, const QRectF &twips)
{
    const double k = twipsPerPixel();
    // The window manager's frame is known only once the window is shown; until then the
    // outer size is the inner one.
    const QRect inner = form.geometry();
    const QRect frame = form.frameGeometry();
    const int extraWidth = frame.width() - inner.width();
    const int extraHeight = frame.height() - inner.height();
    const int width = std::max(1, qRound(twips.width() / k) - extraWidth);
    const int height = std::max(1, qRound(twips.height() / k) - extraHeight);
    form.resize(width, height);
    form.move(qRound(twips.x() / k), qRound(twips.y() / k));
}

StoredBounds::StoredBounds(QWidget &form)
    : QObject(&form)
    , m_form(form)
{
}

void StoredBounds::restore(const QRectF &twips)
{
    m_read = twips;
    const double k = twipsPerPixel();
    m_placed = QRect(qRound(twips.x() / k), qRound(twips.y() / k), qRound(twips.width() / k),
                     qRound(twips.height() / k));
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
