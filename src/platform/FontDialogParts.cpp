#include "platform/FontDialogParts.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QRegularExpressionValidator>

namespace fontdialog {

namespace {

const QString kSizeEditName = QStringLiteral("fontSizeEdit");

// RTF keeps sizes in half points of a 16-bit number.
constexpr double kLargestPointSize = 1638;

} // namespace

QString installedFamily(const QString &family)
{
    if (family.isEmpty() || QFontDatabase::hasFamily(family))
        return family;
    const QString resolved = QFontInfo(QFont(family)).family();
    return QFontDatabase::hasFamily(resolved) ? resolved : family;
}

std::optional<double> parsePointSize(const QString &text)
{
    QString number = text.trimmed();
    number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double size = number.toDouble(&ok);
    if (!ok || !(size > 0) || size > kLargestPointSize)
        return std::nullopt;
    return size;
}

void acceptDecimalSizes(QFontDialog &dialog)
{
    // The size box is the one edit that takes typing; the family and style boxes only show.
    for (QLineEdit *edit : dialog.findChildren<QLineEdit *>()) {
        if (!qobject_cast<const QIntValidator *>(edit->validator()))
            continue;
        edit->setObjectName(kSizeEditName);
        static const QRegularExpression sizePattern(QStringLiteral("\\d{0,4}([.,]\\d{0,2})?"));
        edit->setValidator(new QRegularExpressionValidator(sizePattern, edit));
        return;
    }
}

std::optional<double> chosenPointSize(const QFontDialog &dialog)
{
    const auto *edit = dialog.findChild<QLineEdit *>(kSizeEditName);
    return edit ? parsePointSize(edit->text()) : std::nullopt;
}

void hideEffects(QFontDialog &dialog)
{
    for (QCheckBox *box : dialog.findChildren<QCheckBox *>()) {
        if (auto *group = qobject_cast<QGroupBox *>(box->parentWidget()))
            group->hide();
        else
            box->hide();
    }
}

} // namespace fontdialog
