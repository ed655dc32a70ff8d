#include "platform/CommonDialog.h"

#include "platform/HelpViewer.h"
#include "platform/Prompter.h"

#include <QFileInfo>
#include <QPrinter>

CommonDialog::CommonDialog(QWidget *owner)
    : m_owner(owner)
{
}

CommonDialog::~CommonDialog() = default;

QStringList CommonDialog::nameFilters(const QString &filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the last parenthesis, so a description's own list of the
        // types ("(.txt, .rtf)") gives way to the patterns rather than being shown beside them.
        QString shown = description;
        const qsizetype own = shown.lastIndexOf(QLatin1Char('('));
        if (shown.endsWith(QLatin1Char(')')) && own > 0)
            shown.truncate(own);
        result << shown.trimmed() + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return result;
}

FileDialogRequest CommonDialog::fileRequest() const
{
    FileDialogRequest request;
    request.title = DialogTitle;
    request.initialDir = InitDir;
    request.proposedName = FileName;
    request.nameFilters = nameFilters(Filter);
    request.defaultSuffix = DefaultExt;
    return request;
}

bool CommonDialog::takeChosenFile(const std::optional<QString> &chosen)
{
    if (!chosen)
        return false;
    FileName = *chosen;
    FileTitle = QFileInfo(*chosen).fileName();
    return true;
}

bool CommonDialog::ShowOpen()
{
    FileDialogRequest request = fileRequest();
    request.mustExist = Flags.testFlag(Option::FileMustExist);
    return takeChosenFile(prompter().openFileName(m_owner, request));
}

bool CommonDialog::ShowSave()
{
    FileDialogRequest request = fileRequest();
    request.confirmOverwrite = Flags.testFlag(Option::OverwritePrompt);
    return takeChosenFile(prompter().saveFileName(m_owner, request));
}

bool CommonDialog::ShowColor()
{
    const std::optional<QColor> chosen = prompter().color(m_owner, Color);
    if (!chosen)
        return false;
    Color = *chosen;
    return true;
}

bool CommonDialog::ShowFont()
{
    FontRequest request;
    request.family = FontName;
    request.pointSize = FontSize;
    request.bold = FontBold;
    request.italic = FontItalic;
    request.noStyle = Flags.testFlag(Option::NoStyleSelection);
    request.effects = Flags.testFlag(Option::FontEffects);
    request.underline = FontUnderline;
    request.strikeOut = FontStrikethru;
    const std::optional<FontRequest> chosen = prompter().font(m_owner, request);
    if (!chosen)
        return false;
    FontName = chosen->family;
    FontSize = float(chosen->pointSize);
    FontBold = chosen->bold;
    FontItalic = chosen->italic;
    if (request.effects) {
        FontUnderline = chosen->underline;
        FontStrikethru = chosen->strikeOut;
    }
    return true;
}

bool CommonDialog::ShowPrinter()
{
    return prompter().printDialog(m_owner, printer(), Flags.testFlag(Option::PrintSetup), Flags.testFlag(Option::PrintSelection));
}

bool CommonDialog::ShowHelp(QString *error)
{
    const QString keyword = HelpCommand == HelpTopic::Keyword ? HelpKey : QString();
    return HelpViewer::showHelp(m_owner, HelpFile, keyword, error) != nullptr;
}

QPrinter &CommonDialog::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}
