#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// Every modal question the program asks goes through one Prompter, so that tests can
// answer them. The program installs QtPrompter, which shows the real Qt dialogs.
namespace msgbox {
// A message box's buttons and icon; callers write them as YesNo | Question.
enum class Buttons { OKOnly, OKCancel, YesNoCancel, YesNo };
enum class Icon { None, Critical, Question, Exclamation, Information };
struct Style {
    constexpr Style(Buttons buttons = Buttons::OKOnly, Icon icon = Icon::None)
        : buttons(buttons)
        , icon(icon)
    {
    }
    constexpr Style(Icon icon)
        : Style(Buttons::OKOnly, icon)
    {
    }
    friend constexpr bool operator==(Style, Style) = default;

    Buttons buttons;
    Icon icon;
};
constexpr Style operator|(Buttons buttons, Icon icon)
{
    return Style(buttons, icon);
}
// The button that answered; closing the box answers Cancel.
enum class Answer { OK, Cancel, Yes, No };

inline constexpr Buttons OKOnly = Buttons::OKOnly, OKCancel = Buttons::OKCancel, YesNoCancel = Buttons::YesNoCancel,
                         YesNo = Buttons::YesNo;
inline constexpr Icon Critical = Icon::Critical, Question = Icon::Question, Exclamation = Icon::Exclamation,
                      Information = Icon::Information;
inline constexpr Answer OK = Answer::OK, Cancel = Answer::Cancel, Yes = Answer::Yes, No = Answer::No;
} // namespace msgbox

struct FileDialogRequest {
    QString title;
    QString initialDir;
    QString proposedName;  // may be a bare name or a full path
    QStringList nameFilters;  // Qt form: "Text Files (*.txt)"
    QString defaultSuffix;  // added when the typed name has none
    bool mustExist = false;
    bool confirmOverwrite = false;
};

struct FontRequest {
    QString family;  // empty: no face preselected
    double pointSize = 0;  // 0: no size preselected
    bool bold = false;
    bool italic = false;
    bool noStyle = false;  // mixed selection: no style preselected
    bool effects = false;  // underline and strike-out are offered
    bool underline = false;
    bool strikeOut = false;
};

class Prompter
{
public:
    virtual ~Prompter() = default;

    virtual msgbox::Answer messageBox(QWidget *parent, const QString &text, msgbox::Style style,
                                      const QString &title) = 0;
    // A one-line input box; Cancel gives the empty text.
    virtual QString inputBox(QWidget *parent, const QString &prompt, const QString &title) = 0;
    virtual std::optional<QString> openFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<QString> saveFileName(QWidget *parent, const FileDialogRequest &request) = 0;
    virtual std::optional<FontRequest> font(QWidget *parent, const FontRequest &initial) = 0;
    virtual std::optional<QColor> color(QWidget *parent, const QColor &initial) = 0;
    // setup: the printer-setup form; otherwise the print dialog. selection: the range starts
    // on "selection" and page ranges are not offered.
    virtual bool printDialog(QWidget *parent, QPrinter &printer, bool setup, bool selection) = 0;
    // The program's own modal windows (folder picker, favourites, About) run through here too.
    virtual int execDialog(QDialog &dialog) = 0;
};

// The Prompter in force; QtPrompter unless a test installed another one.
Prompter &prompter();
// Installs a prompter and returns the previous one (nullptr restores the real dialogs).
std::unique_ptr<Prompter> setPrompter(std::unique_ptr<Prompter> replacement);

class QtPrompter : public Prompter
{
public:
    msgbox::Answer messageBox(QWidget *parent, const QString &text, msgbox::Style style,
                              const QString &title) override;
    QString inputBox(QWidget *parent, const QString &prompt, const QString &title) override;
    std::optional<QString> openFileName(QWidget *parent, const FileDialogRequest &request) override;
    std::optional<QString> saveFileName(QWidget *parent, const FileDialogRequest &request) override;
    std::optional<FontRequest> font(QWidget *parent, const FontRequest &initial) override;
    std::optional<QColor> color(QWidget *parent, const QColor &initial) override;
    bool printDialog(QWidget *parent, QPrinter &printer, bool setup, bool selection) override;
    int execDialog(QDialog &dialog) override;
};
