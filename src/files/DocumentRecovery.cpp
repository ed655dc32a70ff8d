#include "files/DocumentRecovery.h"

#include "document/Workspace.h"
#include "platform/AppInfo.h"
#include "platform/CommonDialog.h"
#include "platform/LocaleText.h"
#include "platform/Prompter.h"
#include "platform/RichTextBox.h"

#include <QFileInfo>

#include <algorithm>

namespace {

// Steady typing would put the copy off for ever: after this many pauses it is written anyway.
constexpr int kMostPausesPutOff = 5;
// A snapshot may take this share of the time at most (1 in 20), however large the document.
constexpr int kPausePerSnapshotCost = 20;

QString absolutePath(const QString &path)
{
    return path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

bool sameFile(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    if (first.exists() && second.exists())
        return first.canonicalFilePath() == second.canonicalFilePath();
    return first.absoluteFilePath() == second.absoluteFilePath();
}

} // namespace

RecoveryCopy snapshotDocument(const RichTextBox &editor, const DocumentState &doc)
{
    RecoveryCopy copy;
    // Absolute, so that the copy finds its file again from any working folder.
    copy.file = absolutePath(doc.CurrentFile);
    copy.richText = doc.isRichText();
    copy.textFormat = editor.plainTextFormat();
    copy.saved = QDateTime::currentDateTimeUtc();
    if (copy.richText)
        copy.rtf = editor.TextRTF();
    else if (!(copy.buffer = editor.plainTextBuffer()))
        copy.text = editor.rawText();
    return copy;
}

DocumentRecovery::DocumentRecovery(Workspace &workspace, const QString &folder)
    : m_workspace(workspace)
    , m_store(folder)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &DocumentRecovery::writeCopy);
}

int DocumentRecovery::pause() const
{
    return int(std::max<qint64>(m_pause, kPausePerSnapshotCost * m_snapshotCost));
}

void DocumentRecovery::documentChanged()
{
    if (!m_unwrittenSince.isValid())
        m_unwrittenSince.start();
    if (m_timer.isActive() && m_unwrittenSince.elapsed() > kMostPausesPutOff * pause())
        return;
    m_timer.start(pause());
}

void DocumentRecovery::writeCopy()
{
    if (!m_workspace.doc().FileChanged) {
        discard();
        return;
    }
    // One large copy at a time; the next one waits for the disk rather than piling up.
    if (m_store.busy()) {
        m_timer.start(pause());
        return;
    }
    QElapsedTimer cost;
    cost.start();
    RecoveryCopy copy = snapshotDocument(m_workspace.rtbEditor(), m_workspace.doc());
    m_snapshotCost = cost.elapsed();
    m_unwrittenSince.invalidate();
    m_store.save(std::move(copy));
}

void DocumentRecovery::discard()
{
    m_timer.stop();
    m_unwrittenSince.invalidate();
    m_store.discard();
}

QString DocumentRecovery::question(const RecoveryCopy &copy) const
{
    QString text = QStringLiteral("Penwick was not closed normally. Unsaved changes to %1 (%2) were kept.")
                       .arg(copy.file.isEmpty() ? QStringLiteral("Untitled") : copy.file,
                            generalDateText(copy.saved.toLocalTime()));
    const QString &open = m_workspace.doc().CurrentFile;
    if (!open.isEmpty() && !sameFile(open, copy.file))
        text += QStringLiteral("\r\nRecovered, they take the place of %1 in the editor.").arg(open);
    return text + QStringLiteral("\r\nDo you want to recover them? No discards them; Cancel keeps them for the next start.");
}

void DocumentRecovery::offerLeftCopies(const QString &commandLine)
{
    std::vector<OrphanedCopy> orphans = m_store.takeOrphans();
    if (!commandLine.isEmpty()) {
        std::stable_partition(orphans.begin(), orphans.end(), [&commandLine](const OrphanedCopy &orphan) {
            const QString file = orphan.documentFile();
            return !file.isEmpty() && sameFile(file, commandLine);
        });
    }
    for (OrphanedCopy &orphan : orphans) {
        // Not a whole copy: left as it is, never opened.
        const std::optional<RecoveryCopy> copy = orphan.read();
        if (!copy)
            continue;
        // Escape or the close box must not throw the text away: only No does.
        const msgbox::Answer answer = prompter().messageBox(&m_workspace.mainWindow(), question(*copy), msgbox::YesNoCancel | msgbox::Question,
                                                 appinfo::title());
        if (answer == msgbox::Yes) {
            openCopy(*copy);
            m_store.adopt(std::move(orphan));
            return;
        }
        if (answer == msgbox::No)
            orphan.remove();
    }
}

// The copy in the editor as a load of its file would leave it, but modified: the file on disk
// stays as it is until the user saves.
void DocumentRecovery::openCopy(const RecoveryCopy &copy)
{
    RichTextBox &editor = m_workspace.rtbEditor();
    DocumentState &doc = m_workspace.doc();
    m_workspace.NewDocument();
    if (copy.richText)
        editor.setTextRTF(copy.rtf);
    else
        editor.setText(copy.text);
    editor.setPlainTextFormat(copy.textFormat);
    // Undo would only empty the editor again.
    editor.clearHistory();
    editor.setSelStart(0);
    if (!copy.file.isEmpty()) {
        doc.CurrentFile = copy.file;
        m_workspace.dlgCommonDialog().FileName = copy.file;
        m_workspace.UpdateCaption();
        if (QFileInfo::exists(copy.file))
            ShowFileStatus(m_workspace);
    }
    doc.FileChanged = true;
    m_workspace.setPanelText(6, QStringLiteral("M"));
}
