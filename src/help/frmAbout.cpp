#include "help/frmAbout.h"

#include "document/Workspace.h"
#include "platform/AppInfo.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"

#include <QApplication>
#include <QFrame>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace {

void placeTwips(QWidget *widget, int left, int top, int width, int height)
{
    const double k = twipsPerPixel();
    widget->setGeometry(qRound(left / k), qRound(top / k), qRound(width / k), qRound(height / k));
}

QLabel *label(QWidget *parent, const char *name, const QString &text, int left, int top, int width, int height)
{
    auto *result = new QLabel(text, parent);
    result->setObjectName(QLatin1String(name));
    result->setWordWrap(true);
    placeTwips(result, left, top, width, height);
    return result;
}

QFrame *rule(QWidget *parent, const char *name, int left, int top, int right)
{
    auto *line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    placeTwips(line, left, top, right - left, 30);
    return line;
}

} // namespace

frmAbout::frmAbout(Workspace &workspace, QWidget *parent)
    : FormDialog(parent)
    , m_workspace(workspace)
{
    setObjectName(QStringLiteral("frmAbout"));
    const double k = twipsPerPixel();
    setFixedSize(qRound(5730 / k), qRound(3570 / k));

    auto *picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    placeTwips(picIcon, 240, 240, 540, 540);
    QIcon icon = QApplication::windowIcon();
    if (icon.isNull())
        icon = QIcon(QStringLiteral(":/icons/penwick-48.png"));
    picIcon->setPixmap(icon.pixmap(picIcon->size()));

    m_lblTitle = label(this, "lblTitle", QStringLiteral("Application Title"), 1050, 240, 3885, 480);
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSizeF(18);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblTitle->setWordWrap(false);

    m_lblVersion = label(this, "lblVersion", QStringLiteral("Version"), 1050, 780, 3885, 345);
    QFont versionFont = m_lblVersion->font();
    versionFont.setPointSizeF(9.75);
    m_lblVersion->setFont(versionFont);

    label(this, "lblDescription",
          QStringLiteral("A small, quick editor for plain text and Rich Text documents."),
          1050, 1320, 3885, 450);
    label(this, "lblDonationWare",
          QStringLiteral("Penwick is \"pay what you like\" software: see Donations in Help Topics."),
          1080, 1920, 3885, 450);

    rule(this, "Line1", 90, 2445, 5654);
    label(this, "lblDisclaimer", QString(), 255, 2640, 3870, 345);
    label(this, "Label1",
          QStringLiteral("Provided as is, without warranty of any kind. \u00A9 The Penwick authors."),
          240, 3000, 3855, 465);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    placeTwips(m_cmdOK, 4245, 3000, 1260, 345);
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    Form_Load();
}

void frmAbout::Form_Load()
{
    FitFormToText(*this);
    CenterForm(*this);
    setWindowTitle(QStringLiteral("About ") + appinfo::title());
    m_lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                              .arg(appinfo::versionMajor)
                              .arg(appinfo::versionMinor)
                              .arg(appinfo::versionRevision));
    m_lblTitle->setText(appinfo::title());
}

void frmAbout::cmdOK_Click()
{
    hide();
    accept();
    m_workspace.rtbEditor().setFocus();
}

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // OK is the cancel button as well: Esc does what OK does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void frmAbout::Form_Unload()
{
    m_workspace.ApplyAlwaysOnTop();
}
