#pragma once

class frmPenwick;

// Print Setup and Print on one printer kept for the run.
class PrintCommands
{
public:
    explicit PrintCommands(frmPenwick &main);

    void pageSetup();
    void print();

private:
    frmPenwick &m_main;
};
