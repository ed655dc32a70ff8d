#include "ScriptedPrompter.h"

#include <QDialog>

namespace {

template <typename T>
T takeOr(QList<T> &queue, T fallback)
{
    return queue.isEmpty() ? fallback : queue.takeFirst();
}

} // namespace

msgbox::Answer ScriptedPrompter::messageBox(QWidget *, const QString &text, msgbox::Style style,
                                            const QString &title)
{
    messages.append({text, style, title});
    const msgbox::Answer fallback = style.buttons == msgbox::OKOnly ? msgbox::OK : msgbox::Cancel;
    return takeOr(messageAnswers, fallback);
}

QString ScriptedPrompter::inputBox(QWidget *, const QString &prompt, const QString &)
{
    inputPrompts.append(prompt);
    return takeOr(inputAnswers, QString());
}

std::optional<QString> ScriptedPrompter::openFileName(QWidget *, const FileDialogRequest &request)
{
    fileRequests.append(request);
    return takeOr(fileAnswers, std::optional<QString>());
}

std::optional<QString> ScriptedPrompter::saveFileName(QWidget *, const FileDialogRequest &request)
{
    fileRequests.append(request);
    return takeOr(fileAnswers, std::optional<QString>());
}

std::optional<FontRequest> ScriptedPrompter::font(QWidget *, const FontRequest &initial)
{
    fontRequests.append(initial);
    return takeOr(fontAnswers, std::optional<FontRequest>());
}

std::optional<QColor> ScriptedPrompter::color(QWidget *, const QColor &initial)
{
    colorRequests.append(initial);
    return takeOr(colorAnswers, std::optional<QColor>());
}

bool ScriptedPrompter::printDialog(QWidget *, QPrinter &, bool, bool)
{
    ++printDialogs;
    return takeOr(printAnswers, false);
}

int ScriptedPrompter::execDialog(QDialog &dialog)
{
    return dialogHandler ? dialogHandler(dialog) : QDialog::Rejected;
}

ScriptedScope::ScriptedScope()
{
    auto prompter = std::make_unique<ScriptedPrompter>();
    m_prompter = prompter.get();
    m_previous = setPrompter(std::move(prompter));
}

ScriptedScope::~ScriptedScope()
{
    setPrompter(std::move(m_previous));
}
