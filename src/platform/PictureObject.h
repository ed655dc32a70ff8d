#pragma once

#include <QObject>
#include <QTextObjectInterface>

#include <functional>

namespace rtf {
class KeptStore;
}

// Draws a picture's object character at its RTF size: the picture where Qt can read its format,
// else a frame of that size naming the format, so that the text around it stays where it was.
class PictureObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    // store gives the pictures' data; it may change, as the document's store does on a load.
    PictureObject(std::function<const rtf::KeptStore *()> store, QObject *parent);

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                    const QTextFormat &format) override;

    // Pixels at the screen's 96 dots per inch.
    static double twipsToPixels(int twips) { return twips / 15.0; }

private:
    std::function<const rtf::KeptStore *()> m_store;
};
