#pragma once

class frmPenwick;

// Save Selection As and Append Selection To.
class SelectionExport
{
public:
    explicit SelectionExport(frmPenwick &main);

    void saveSelectionAs();
    void appendSelectionTo();

private:
    frmPenwick &m_main;
};
