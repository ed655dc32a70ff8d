#include "platform/Prompter.h"

#include "platform/FontDialogParts.h"
#include "platform/PagePrinter.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace {

std::unique_ptr<Prompter> &installed()
{
    static std::unique_ptr<Prompter> instance = std::make_unique<QtPrompter>();
    return instance;
}

QString titleOrApplication(const QString &title)
{
    return title.isEmpty() ? QStringLiteral("Penwick") : title;
}

void prepareFileDialog(QFileDialog &dialog, const FileDialogRequest &request)
{
    dialog.setWindowTitle(request.title);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (!request.initialDir.isEmpty())
        dialog.setDirectory(request.initialDir);
    if (!request.proposedName.isEmpty())
        dialog.selectFile(request.proposedName);
}

} // namespace

Prompter &prompter()
{
    return *installed();
}

std::unique_ptr<Prompter> setPrompter(std::unique_ptr<Prompter> replacement)
{
    if (!replacement)
        replacement = std::make_unique<QtPrompter>();
    std::swap(installed(), replacement);
    return replacement;
}

msgbox::Answer QtPrompter::messageBox(QWidget *parent, const QString &text, msgbox::Style style,
                                      const QString &title)
{
    QMessageBox box(parent);
    box.setWindowTitle(titleOrApplication(title));
    box.setText(text);
    switch (style.icon) {
    case msgbox::Critical: box.setIcon(QMessageBox::Critical); break;
    case msgbox::Question: box.setIcon(QMessageBox::Question); break;
    case msgbox::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case msgbox::Information: box.setIcon(QMessageBox::Information); break;
    case msgbox::Icon::None: box.setIcon(QMessageBox::NoIcon); break;
    }
    switch (style.buttons) {
    case msgbox::OKCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case msgbox::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case msgbox::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        break;
    case msgbox::OKOnly:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return msgbox::Yes;
    case QMessageBox::No: return msgbox::No;
    case QMessageBox::Ok: return msgbox::OK;
    default: return msgbox::Cancel;
    }
}

QString QtPrompter::inputBox(QWidget *parent, const QString &prompt, const QString &title)
{
    bool accepted = false;
    const QString answer = QInputDialog::getText(parent, titleOrApplication(title), prompt,
                                                 QLineEdit::Normal, QString(), &accepted);
    return accepted ? answer : QString();
}

std::optional<QString> QtPrompter::openFileName(QWidget *parent, const FileDialogRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtPrompter::saveFileName(QWidget *parent, const FileDialogRequest &request)
{
    QFileDialog dialog(parent);
    prepareFileDialog(dialog, request);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<FontRequest> QtPrompter::font(QWidget *parent, const FontRequest &initial)
{
    QFont start = QApplication::font();
    // An alias such as "Arial" is no family of the font database, and the dialog would start
    // on some other face; it starts on the face the alias stands for.
    const QString shownFamily = fontdialog::installedFamily(initial.family);
    if (!shownFamily.isEmpty())
        start.setFamilies({shownFamily});
    if (initial.pointSize > 0)
        start.setPointSizeF(initial.pointSize);
    if (!initial.noStyle) {
        start.setBold(initial.bold);
        start.setItalic(initial.italic);
    }
    start.setUnderline(initial.effects && initial.underline);
    start.setStrikeOut(initial.effects && initial.strikeOut);

    QFontDialog dialog(start, parent);
    fontdialog::acceptDecimalSizes(dialog);
    if (!initial.effects)
        fontdialog::hideEffects(dialog);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QFont chosen = dialog.selectedFont();
    FontRequest result;
    // The face the user left alone keeps the name it had.
    result.family = chosen.family() == shownFamily ? initial.family : chosen.family();
    result.pointSize = fontdialog::chosenPointSize(dialog).value_or(chosen.pointSizeF());
    result.bold = chosen.bold();
    result.italic = chosen.italic();
    result.effects = initial.effects;
    result.underline = initial.effects && chosen.underline();
    result.strikeOut = initial.effects && chosen.strikeOut();
    return result;
}

std::optional<QColor> QtPrompter::color(QWidget *parent, const QColor &initial)
{
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid())
        return std::nullopt;
    return chosen;
}

bool QtPrompter::printDialog(QWidget *parent, QPrinter &printer, bool setup, bool selection)
{
    QPrintDialog dialog(&printer, parent);
    if (setup) {
        dialog.setWindowTitle(QStringLiteral("Print Setup"));
    } else {
        QAbstractPrintDialog::PrintDialogOptions options = dialog.options();
        options.setFlag(QAbstractPrintDialog::PrintPageRange, false);
        options.setFlag(QAbstractPrintDialog::PrintSelection, selection);
        dialog.setOptions(options);
        dialog.setPrintRange(selection ? QAbstractPrintDialog::Selection : QAbstractPrintDialog::AllPages);
        withholdPageRange(dialog);
    }
    return dialog.exec() == QDialog::Accepted;
}

int QtPrompter::execDialog(QDialog &dialog)
{
    return dialog.exec();
}
