#pragma once

#include "platform/Prompter.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

// Answers the program's questions from scripts and records every question asked.
// An unscripted message box is answered Cancel (or OK when that is its only button);
// an unscripted file, font, colour or print dialog is cancelled.
class ScriptedPrompter : public Prompter
{
public:
    struct Message {
        QString text;
        msgbox::Style style;
        QString title;
    };

    QList<msgbox::Answer> messageAnswers;
    QList<QString> inputAnswers;
    QList<std::optional<QString>> fileAnswers;
    QList<std::optional<FontRequest>> fontAnswers;
    QList<std::optional<QColor>> colorAnswers;
    QList<bool> printAnswers;
    std::function<int(QDialog &)> dialogHandler;

    QList<Message> messages;
    QList<QString> inputPrompts;
    QList<FileDialogRequest> fileRequests;
    QList<FontRequest> fontRequests;
    QList<QColor> colorRequests;
    int printDialogs = 0;

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

// Installs a ScriptedPrompter for the lifetime of the scope.
class ScriptedScope
{
public:
    ScriptedScope();
    ~ScriptedScope();
    ScriptedPrompter &operator*() { return *m_prompter; }
    ScriptedPrompter *operator->() { return m_prompter; }

private:
    ScriptedPrompter *m_prompter;
    std::unique_ptr<Prompter> m_previous;
};
