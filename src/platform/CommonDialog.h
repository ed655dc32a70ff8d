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
    // Bits of Flags that the program uses.
    enum : int {
        OFNOverwritePrompt = 0x2,
        OFNFileMustExist = 0x1000,
        CFScreenAndPrinterFonts = 0x3,
        CFEffects = 0x100,
        CFForceFontExist = 0x10000,
        CFNoStyleSel = 0x100000,
        CCRGBInit = 0x1,
        PDSelection = 0x1,
        PDNoPageNums = 0x8,
        PDPrintSetup = 0x40,
        PDReturnDC = 0x100,
    };
    // HelpCommand values: the help file's contents, or the topic of HelpKey.
    enum : int { HelpCmdContents = 0x3, HelpCmdKey = 0x101 };

    explicit CommonDialog(QWidget *owner);
    ~CommonDialog();

    QString FileName;
    QString FileTitle;
    QString DialogTitle;
    QString DefaultExt;
    QString InitDir;
    QString Filter;  // "description|pattern|description|pattern;pattern…"
    int Flags = 0;
    bool CancelError = false;
    QColor Color = Qt::black;
    QString FontName;
    float FontSize = 0;
    bool FontBold = false;
    bool FontItalic = false;
    bool FontUnderline = false;  // with CFEffects
    bool FontStrikethru = false;  // with CFEffects
    QString HelpFile;
    int HelpCommand = 0;
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
