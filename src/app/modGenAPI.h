#pragma once

#include <QObject>
#include <QRect>
#include <QRectF>
#include <QString>

#include <optional>

class QWidget;

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
