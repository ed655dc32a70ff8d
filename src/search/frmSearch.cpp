#include "search/frmSearch.h"

#include "document/Workspace.h"
#include "platform/AppInfo.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"
#include "platform/WindowGeometry.h"
#include "prefs/SettingKeys.h"
#include "search/TextSearch.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr double kClientWidth = 6615;
constexpr double kClientHeight = 1605;

int pixels(double twips)
{
    return qRound(twips / twipsPerPixel());
}

void place(QWidget *control, const char *name, double left, double top, double width, double height)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(pixels(left), pixels(top), pixels(width), pixels(height));
}

} // namespace

frmSearch::frmSearch(Workspace &workspace, QAction &saveWinState)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::MSWindowsFixedSizeDialogHint)
    , m_workspace(workspace)
    , m_saveWinState(saveWinState)
{
    setObjectName(QStringLiteral("frmSearch"));
    // Closed is gone: the next command loads the dialog afresh.
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(findTitle());
    setModal(false);
    setFixedSize(pixels(kClientWidth), pixels(kClientHeight));
    createControls();
    Form_Load();
}

void frmSearch::createControls()
{
    lblFindWhat = new QLabel(QStringLiteral("Find what:"), this);
    place(lblFindWhat, "lblFindWhat", 120, 240, 1095, 255);
    txtFind = new QLineEdit(this);
    place(txtFind, "txtFind", 1320, 240, 2895, 285);
    lblReplaceWith = new QLabel(QStringLiteral("Replace With:"), this);
    place(lblReplaceWith, "lblReplaceWith", 120, 720, 1095, 255);
    txtReplaceWith = new QLineEdit(this);
    place(txtReplaceWith, "txtReplaceWith", 1320, 720, 2895, 285);
    chkMatchCase = new QCheckBox(QStringLiteral("Match &Case"), this);
    place(chkMatchCase, "chkMatchCase", 1320, 1200, 1215, 255);
    chkWholeWord = new QCheckBox(QStringLiteral("Whole &Word Only"), this);
    place(chkWholeWord, "chkWholeWord", 2640, 1200, 1815, 255);
    cmdFindNext = new QPushButton(QStringLiteral("Find Next"), this);
    place(cmdFindNext, "cmdFindNext", 5520, 120, 975, 375);
    cmdReplace = new QPushButton(QStringLiteral("Replace"), this);
    place(cmdReplace, "cmdReplace", 4440, 600, 975, 375);
    cmdReplaceAll = new QPushButton(QStringLiteral("Replace All"), this);
    place(cmdReplaceAll, "cmdReplaceAll", 5520, 600, 975, 375);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    place(cmdCancel, "cmdCancel", 5520, 1080, 975, 375);

    setReplaceEnabled(false);
    cmdFindNext->setDefault(true);

    setTabOrder(txtFind, cmdFindNext);
    setTabOrder(cmdFindNext, txtReplaceWith);
    setTabOrder(txtReplaceWith, cmdReplace);
    setTabOrder(cmdReplace, cmdReplaceAll);
    setTabOrder(cmdReplaceAll, cmdCancel);
    setTabOrder(cmdCancel, chkMatchCase);
    setTabOrder(chkMatchCase, chkWholeWord);

    connect(cmdFindNext, &QPushButton::clicked, this, &frmSearch::cmdFindNext_Click);
    connect(cmdReplace, &QPushButton::clicked, this, &frmSearch::cmdReplace_Click);
    connect(cmdReplaceAll, &QPushButton::clicked, this, &frmSearch::cmdReplaceAll_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmSearch::cmdCancel_Click);
    FitFormToText(*this);
}

void frmSearch::Form_Load()
{
    m_saveWinState.setChecked(settings::SaveWinState.read());
    if (m_saveWinState.isChecked()) {
        QRectF bounds = formBounds(*this);
        bounds.moveTopLeft(QPointF(settings::SearchLeft.read(), settings::SearchTop.read()));
        setFormBounds(*this, bounds);
    } else {
        CenterForm(*this);
    }
}

void frmSearch::Form_Unload()
{
    m_unloaded = true;
    const QRectF bounds = formBounds(*this);
    settings::SearchLeft.write(float(bounds.left()));
    settings::SearchTop.write(float(bounds.top()));
    RestoreAlwaysOnTop();
}

void frmSearch::RestoreAlwaysOnTop()
{
    // The main window's own choice, with its "Positioning Error!" when the window system refuses.
    m_workspace.ApplyAlwaysOnTop();
}

void frmSearch::ShowSearchDialog()
{
    const bool replacing = windowTitle() != findTitle();
    for (QWidget *control : std::initializer_list<QWidget *>{lblReplaceWith, txtReplaceWith, cmdReplace, cmdReplaceAll})
        control->setVisible(replacing);
    cmdFindNext->setDefault(true);
    show();
    raise();
    activateWindow();
}

void frmSearch::queueFindNext()
{
    // Stands in for an Enter keystroke on the focused button: it runs after the command that
    // queued it, and only if the dialog is still there to receive it.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (isVisible() && !m_unloaded)
                cmdFindNext->click();
        },
        Qt::QueuedConnection);
}

FindOptions frmSearch::searchOptions() const
{
    FindOptions options;
    options.setFlag(FindOption::WholeWord, chkWholeWord->isChecked());
    options.setFlag(FindOption::MatchCase, chkMatchCase->isChecked());
    return options;
}

void frmSearch::setReplaceEnabled(bool enabled)
{
    cmdReplace->setEnabled(enabled);
    cmdReplaceAll->setEnabled(enabled);
}

void frmSearch::cannotFind()
{
    prompter().messageBox(this, QStringLiteral("Cannot find '") + txtFind->text() + QLatin1Char('\''),
                          msgbox::OKOnly | msgbox::Information, appinfo::title());
    setReplaceEnabled(false);
}

void frmSearch::showMatch()
{
    // The dialog keeps the focus; the main window only repaints, with the match scrolled
    // into view, so that the selection shows behind the dialog.
    m_workspace.rtbEditor().scrollToCaret();
    m_workspace.mainWindow().repaint();
}

void frmSearch::searchFrom(int start)
{
    m_lastFoundPos = m_workspace.rtbEditor().Find(txtFind->text(), start, searchOptions());
}

void frmSearch::cmdFindNext_Click()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    m_lastFoundPos = editor.SelStart();
    searchFrom(m_lastFoundPos + 1);
    if (m_lastFoundPos < 0) {
        cannotFind();
        return;
    }
    setReplaceEnabled(windowTitle() == replaceTitle());
    showMatch();
}

void frmSearch::cmdReplace_Click()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const int start = editor.SelStart();
    // Only a match is replaced: after a click elsewhere the selection may be anything.
    int paragraphStart = 0;
    const QString paragraph = editor.paragraphText(start, &paragraphStart);
    if (textsearch::isMatchAt(paragraph, paragraphStart, txtFind->text(), searchOptions(), start,
                              start + editor.SelLength())) {
        editor.setSelText(txtReplaceWith->text());
        // Go on after the inserted text, never into it.
        searchFrom(editor.SelStart());
    } else {
        searchFrom(editor.SelStart() + 1);
    }
    if (m_lastFoundPos < 0) {
        cannotFind();
        return;
    }
    showMatch();
}

void frmSearch::cmdReplaceAll_Click()
{
    RichTextBox &editor = m_workspace.rtbEditor();
    const int start = editor.SelStart();
    const int end = start + editor.SelLength();
    const textsearch::ReplaceAllPlan plan = textsearch::planReplaceAll(
        editor.rawText(), txtFind->text(), txtReplaceWith->text(), searchOptions(), start, end);
    editor.replaceEach(plan.positions, plan.length, plan.inserted);
    const textsearch::ReplaceAllResult &result = plan.result;
    if (result.count > 0)
        editor.setSelStart(result.caret);
    // The run ends with a search that found nothing.
    m_lastFoundPos = -1;
    setReplaceEnabled(false);
    prompter().messageBox(this, QStringLiteral("Replaced ") + QString::number(result.count)
                                    + QStringLiteral(" word(s)."),
                          msgbox::OKOnly | msgbox::Information, appinfo::title());
}

void frmSearch::cmdCancel_Click()
{
    hide();
    RestoreAlwaysOnTop();
}

void frmSearch::reject()
{
    // Esc presses Cancel; QDialog's own reject would close, and so unload, the dialog.
    cmdCancel->click();
}

void frmSearch::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded)
        Form_Unload();
    event->accept();
}
