#pragma once

#include "files/RecoveryStore.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class RichTextBox;
struct DocumentState;
class Workspace;

// The document as it stands, for its recovery copy: RTF for a rich-text document, the raw
// text otherwise (its bytes are made on the writer's thread).
RecoveryCopy snapshotDocument(const RichTextBox &editor, const DocumentState &doc);

// Keeps a recovery copy of the main window's document while it has unsaved changes, and at
// start offers the copies that crashed or killed sessions left behind.
class DocumentRecovery : public QObject
{
public:
    explicit DocumentRecovery(Workspace &workspace, const QString &folder = recoveryFolder());

    // Every change: the copy follows once typing pauses.
    void documentChanged();
    // The changes were saved or given up.
    void discard();
    // Offers the copies of dead sessions, one question each: the command-line file's own
    // first, then newest first. Yes opens that copy, modified, and asks no more; No deletes
    // the copy; the rest stay for the next start.
    void offerLeftCopies(const QString &commandLine);

    // The pause after the last change before the copy is written, in milliseconds; a large
    // document whose snapshot takes long waits longer.
    void setPause(int milliseconds) { m_pause = milliseconds; }
    int pause() const;
    qint64 lastSnapshotMilliseconds() const { return m_snapshotCost; }
    RecoveryStore &store() { return m_store; }

private:
    void writeCopy();
    void openCopy(const RecoveryCopy &copy);
    QString question(const RecoveryCopy &copy) const;

    Workspace &m_workspace;
    RecoveryStore m_store;
    QTimer m_timer;
    QElapsedTimer m_unwrittenSince;  // the first change the copy does not hold yet
    int m_pause = 2000;
    qint64 m_snapshotCost = 0;
};
