#pragma once

class frmPenwick;

// Character and paragraph formatting of the selection.
class FormatCommands
{
public:
    explicit FormatCommands(frmPenwick &main);

    void font();
    void textColor();
    void bold();
    void italic();
    void underline();
    void regular();
    void alignLeft();
    void center();
    void alignRight();
    void resetAll();

private:
    frmPenwick &m_main;
};
