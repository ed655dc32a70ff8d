#pragma once

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>

class QWidget;
class frmPenwick;

// The document state the whole program shares; the main window holds the one instance.
struct DocumentState {
    QString CurrentFile;  // full path; empty while untitled
    bool FileChanged = false;
    QString DefaultFont = QStringLiteral("Arial");
    qint16 DefaultFontSize = 10;
    QString DefaultOpenPath;
    QString OpenDialogPath;

    // The document's own type: an untitled one is plain text until saved as RTF.
    bool isRichText() const;
};

// A name is a rich-text document when it ends in "rtf", in any letter case (no dot needed).
bool IsRichTextName(const QString &name);
// The editor's file type code for a path: 0 rich text, 1 plain text.
int DocumentType(const QString &path);

// Centres a window of the program on the screen.
void CenterForm(QWidget &form);
// Panels 1, 2 and 6 from the file on disk after a load or save.
void ShowFileStatus(frmPenwick &main);
// Gives the whole document the default font and size, black, no bold/italic/underline, left
// aligned; the whole document stays selected.
void ResetFormatting(frmPenwick &main);
// Flag 1 keeps the window above others, 0 releases it; other flags do nothing and give false.
bool SetTopmost(int flag, QWidget *window);

// Grows a window laid out at fixed positions, and everything in it, by the one factor that
// lets every caption fit: the design's sizes assume a smaller system font than most desktops
// have. The proportions of the design are kept; nothing shrinks.
void FitFormToText(QWidget &form);

// Window geometry in twips (1/1440 inch), outer frame, at the screen's logical resolution.
QRectF formBounds(const QWidget &form);
// Places a window at bounds in twips, brought onto a screen (see placeFrame).
void setFormBounds(QWidget &form, const QRectF &twips);
// Where a window's outer frame may go, in pixels: no smaller than minimum and no larger than
// its screen's free area, with its top strip pixels (title bar and menu bar) whole on that
// screen, the one nearest the middle of the frame's top edge.
QRect placeFrame(const QRectF &frame, const QSize &minimum, int strip, const QList<QRect> &screens);
QRectF screenTwips();
double twipsPerPixel();

// Places a window at bounds read from the settings and says what to store at exit. Before the
// window manager has framed a window its outer size is its inner one, so the bounds are set
// again once the frame is known; a run in which the window was neither moved nor resized
// stores exactly what it read, so that nothing creeps from run to run.
class StoredBounds : public QObject
{
public:
    explicit StoredBounds(QWidget &form);

    void restore(const QRectF &twips);
    QRectF toStore() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget &m_form;
    std::optional<QRectF> m_read;
    QRect m_placed;  // the outer frame, in pixels, that the read bounds ask for
};

// The font panel's text: "Arial 10 pts", or what is mixed in the selection.
QString fontPanelText(const std::optional<QString> &font, const std::optional<float> &size);
// The shortest decimal form of a number, in the system's notation, without grouping.
QString shortestNumberText(float value);

// The system's date and time forms: general date (short date and long time, the time left
// out at midnight), long time, long date.
QString generalDateText(const QDateTime &when);
QString longTimeText(const QTime &time);
QString longDateText(const QDate &date);
