#pragma once

class Workspace;

// Print Setup and Print, on the one printer the shared dialog keeps for the whole run, so
// that what Print Setup chose applies to later printing.
class PrintCommands
{
public:
    explicit PrintCommands(Workspace &workspace);

    void pageSetup();
    void print();

private:
    // Where no printer is installed, printing goes to a PDF file named after the document.
    void preferPdfWithoutPrinters();

    Workspace &m_workspace;
};
