#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class QPrinter;
class QWidget;
struct FileDialogRequest;

// The shared file/font/colour/print dialog of a window. Its properties keep their values
// between uses, because callers rely on what the previous use left there (FileName above
// all: it names the current document and decides whether it is rich text).
// Each Show* returns false when the user cancelled.
class CommonDialog
{
public:
    // What the next Show* offers, in Flags.
    enum class Option {
        FileMustExist = 0x1,     // Open: only a file that exists
        OverwritePrompt = 0x2,   // Save: asks before a file is replaced
        FontEffects = 0x4,       // Font: underline and strike-out
        NoStyleSelection = 0x8,  // Font: no style proposed, as the selection mixes them
        PrintSelection = 0x10,   // Print: the selection as the range
        PrintSetup = 0x20,       // Print: the printer's setup, without printing
    };
    Q_DECLARE_FLAGS(Options, Option)
    // What ShowHelp opens: the help file's contents, or the topic of HelpKey.
    enum class HelpTopic { Contents, Keyword };

    explicit CommonDialog(QWidget *owner);
    ~CommonDialog();

    QString FileName;
    QString FileTitle;
    QString DialogTitle;
    QString DefaultExt;
    QString InitDir;
    QString Filter;  // "description|pattern|description|pattern;pattern…"
    Options Flags;
    bool CancelError = false;
    QColor Color = Qt::black;
    QString FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;  // with FontEffects
    bool FontStrikethru = false;  // with FontEffects
    QString HelpFile;
    HelpTopic HelpCommand = HelpTopic::Contents;
    QString HelpKey;

    bool ShowOpen();
    bool ShowSave();
    bool ShowColor();
    bool ShowFont();
    bool ShowPrinter();
    // Opens HelpFile in the help viewer; false, with the reason in error, when it cannot.
    bool ShowHelp(QString *error = nullptr);

    // The printer that the print dialogs configure; kept for the whole run.
    QPrinter &printer();

    // "Text Files (*.txt)|*.txt|…" as Qt name filters.
    static QStringList nameFilters(const QString &filter);

private:
    // What the open and save dialogs both take from the properties.
    FileDialogRequest fileRequest() const;
    // Keeps the chosen file's path and name; false when the dialog was cancelled.
    bool takeChosenFile(const std::optional<QString> &chosen);

    QWidget *m_owner;
    std::unique_ptr<QPrinter> m_printer;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(CommonDialog::Options)
