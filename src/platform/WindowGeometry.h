#pragma once

#include <QList>
#include <QRect>
#include <QRectF>

class QWidget;

// Window geometry in twips (1/1440 inch), outer frame, at the screen's logical resolution.
QRectF formBounds(const QWidget &form);
// Places a window at bounds in twips, brought onto a screen (see placeFrame).
void setFormBounds(QWidget &form, const QRectF &twips);
// Where a window's outer frame may go, in pixels: no smaller than minimum and no larger than
// its screen's free area, with its top strip pixels (title bar and menu bar) whole on that
// screen, the one nearest the middle of the frame's top edge.
QRect placeFrame(const QRectF &frame, const QSize &minimum, int strip, const QList<QRect> &screens);
// The outer frame, in pixels, that bounds in twips give this window on the screens it has:
// whole enough on a screen that its title bar and menu bar can be reached, and no smaller
// than it can be.
QRect placedFrame(const QWidget &form, const QRectF &twips);
QRectF screenTwips();
double twipsPerPixel();

// Centres a window of the program on the screen.
void CenterForm(QWidget &form);
// Flag 1 keeps the window above others, 0 releases it; other flags do nothing and give false.
bool SetTopmost(int flag, QWidget *window);

// Grows a window laid out at fixed positions, and everything in it, by the one factor that
// lets every caption fit: the design's sizes assume a smaller system font than most desktops
// have. The proportions of the design are kept; nothing shrinks.
void FitFormToText(QWidget &form);
