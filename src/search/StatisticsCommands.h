#pragma once

#include <QtGlobal>

class QString;
class Workspace;

// Character, word and line counts.
class StatisticsCommands
{
public:
    explicit StatisticsCommands(Workspace &workspace);

    void characterCount();
    void wordCount();
    void lineCount();

private:
    void report(const QString &prefix, qint64 count, const QString &suffix, const QString &title);

    Workspace &m_workspace;
};
