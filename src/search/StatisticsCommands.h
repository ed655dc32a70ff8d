#pragma once

#include <QtGlobal>

class QString;
class frmPenwick;

// Character, word and line counts.
class StatisticsCommands
{
public:
    explicit StatisticsCommands(frmPenwick &main);

    void characterCount();
    void wordCount();
    void lineCount();

private:
    void report(const QString &prefix, qint64 count, const QString &suffix, const QString &title);

    frmPenwick &m_main;
};
