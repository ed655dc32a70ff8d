#pragma once

#include <QString>

// The file types the program's file dialogs offer, as "description|pattern|…".
namespace filefilters {

// Open, Save As, Save Selection As and the favourites' dialogs.
inline QString documents()
{
    return QStringLiteral(
        "Text Files (*.txt)|*.txt|Rich Text Files (*.rtf)|*.rtf|Batch Files (*.bat)|*.bat|"
        "INI Files (*.ini)|*.ini|System Files (*.sys)|*.sys|"
        "All Text Files (.txt, .rtf, .bat, .ini, .sys, .asc, .log)|*.txt;*.rtf;*.bat;*.ini;*.sys;*.asc;*.log");
}

// Append Selection To: plain-text files only.
inline QString appendTargets()
{
    return QStringLiteral(
        "Text Files (*.txt)|*.txt|Batch Files (*.bat)|*.bat|INI Files (*.ini)|*.ini|"
        "System Files (*.sys)|*.sys|"
        "All Text Files (.txt, .bat, .ini, .sys, .asc, .log)|*.txt;*.bat;*.ini;*.sys;*.asc;*.log");
}

} // namespace filefilters
