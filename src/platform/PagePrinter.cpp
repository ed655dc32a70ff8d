#include "platform/PagePrinter.h"

#include "platform/PictureObject.h"
#include "platform/rtf/RtfKept.h"

#include <QAbstractTextDocumentLayout>
#include <QLayout>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>
#include <QTextFrame>

#include <algorithm>

namespace {

constexpr double kMinimumMarginMm = 20.0;

void printPage(QPainter &painter, QTextDocument &document, int page, const QSizeF &pageSize)
{
    painter.save();
    const QRectF view(0, page * pageSize.height(), pageSize.width(), pageSize.height());
    painter.translate(0, -view.top());
    painter.setClipRect(view);
    QAbstractTextDocumentLayout::PaintContext context;
    context.clip = view;
    // Paper is white whatever the desktop's colours.
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter, context);
    painter.restore();
}

} // namespace

bool printPages(QTextDocument &document, const QTextDocument &pictures, QPrinter &printer)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;

    QAbstractTextDocumentLayout *layout = document.documentLayout();
    layout->registerHandler(rtf::PictureObject,
                            new PictureObject([&pictures] { return rtf::KeptStore::find(pictures); }, layout));
    layout->setPaintDevice(&printer);

    // A printer's own margins are often only what it cannot reach: the text keeps a margin
    // of at least 2 cm, or the printer's where that is wider.
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Millimeter);
    // Frame margins are in the screen's pixels; the layout scales them to the printer's dots.
    const auto extra = [](double mm) { return std::max(0.0, kMinimumMarginMm - mm) * 96 / 25.4; };
    QTextFrameFormat root = document.rootFrame()->frameFormat();
    root.setLeftMargin(extra(margins.left()));
    root.setTopMargin(extra(margins.top()));
    root.setRightMargin(extra(margins.right()));
    root.setBottomMargin(extra(margins.bottom()));
    document.rootFrame()->setFrameFormat(root);

    const QSizeF pageSize = printer.pageRect(QPrinter::DevicePixel).size();
    document.setPageSize(pageSize);
    const int pages = document.pageCount();

    // Copies the printer cannot make itself are printed here, collated or not as asked.
    const int copies = printer.supportsMultipleCopies() ? 1 : printer.copyCount();
    const int documentCopies = printer.collateCopies() ? copies : 1;
    const int pageCopies = printer.collateCopies() ? 1 : copies;
    const bool reversed = printer.pageOrder() == QPrinter::LastPageFirst;
    bool first = true;
    for (int copy = 0; copy < documentCopies; ++copy) {
        for (int i = 0; i < pages; ++i) {
            const int page = reversed ? pages - 1 - i : i;
            for (int pageCopy = 0; pageCopy < pageCopies; ++pageCopy) {
                if (!first && !printer.newPage())
                    return false;
                first = false;
                printPage(painter, document, page, pageSize);
            }
        }
    }
    return painter.end();
}

namespace {

// The innermost layout under layout that holds part, or nullptr.
QLayout *rowOf(QLayout *layout, const QWidget *part)
{
    for (int i = 0; layout && i < layout->count(); ++i) {
        if (QLayout *inner = rowOf(layout->itemAt(i)->layout(), part))
            return inner;
    }
    return layout && layout->indexOf(part) >= 0 ? layout : nullptr;
}

} // namespace

void withholdPageRange(QPrintDialog &dialog)
{
    // Each range sits on a row of its own with its labels ("to"): the whole row goes.
    for (const char *name : {"from", "pagesLineEdit"}) {
        const QWidget *part = dialog.findChild<QWidget *>(QLatin1String(name));
        QLayout *row = part ? rowOf(part->parentWidget()->layout(), part) : nullptr;
        for (int i = 0; row && i < row->count(); ++i) {
            if (QWidget *widget = row->itemAt(i)->widget())
                widget->hide();
        }
    }
    for (const char *name : {"printRange", "pagesRadioButton"}) {
        if (QWidget *part = dialog.findChild<QWidget *>(QLatin1String(name)))
            part->hide();
    }
}
