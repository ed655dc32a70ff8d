#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QFont;
class Workspace;

// Save Selection As and Append Selection To.
class SelectionExport
{
public:
    explicit SelectionExport(Workspace &workspace);

    void saveSelectionAs();
    void appendSelectionTo();

    // Sets up the shared dialog for Save Selection As and shows it; false when cancelled.
    bool ShowSaveSelectionDialog();

private:
    void showSaveError(const QString &path);

    Workspace &m_workspace;
};

// The file formats behind the two commands, without widgets.
namespace selectionexport {

// The file Save Selection As writes: the selection, given as RTF, as a document of its own
// whose unformatted text takes baseFont; written as RTF, or as UTF-8 text with LF breaks.
QByteArray selectionFileBytes(const QByteArray &selectionRtf, const QFont &baseFont, bool richText);

// What one append adds to a file: text (breaks as CR LF, LF or CR) and one line break, in
// the encoding and line-ending style of the file's present content, or UTF-8 and LF when
// the file is new or empty. Never a byte-order mark: the record goes after existing bytes.
QByteArray appendRecord(const QString &text, const std::optional<QByteArray> &existing);

// Adds text and a line break at the end of path, creating it when missing.
bool appendToFile(const QString &path, const QString &text, QString *error = nullptr);

} // namespace selectionexport
