#include "files/SelectionExport.h"

#include "app/frmPenwick.h"

SelectionExport::SelectionExport(frmPenwick &main)
    : m_main(main)
{
}

void SelectionExport::saveSelectionAs()
{
}

void SelectionExport::appendSelectionTo()
{
}
