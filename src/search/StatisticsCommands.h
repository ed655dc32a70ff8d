#pragma once

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
    frmPenwick &m_main;
};
