#pragma once

#include "format/CaseTransforms.h"

class Workspace;
class QTextDocument;

// Case transforms and joining hard-wrapped lines.
class TransformCommands
{
public:
    explicit TransformCommands(Workspace &workspace);

    void upperCase();
    void lowerCase();
    void capitalize();
    void invertCase();
    void removeLineBreaks();

private:
    void changeCase(CaseConversion conversion);

    Workspace &m_workspace;
};

// Converts the letters of [from, to) in place, fragment by fragment, so that every character
// keeps its own formatting; one edit block, so one Undo takes it back.
void convertCaseKeepingFormat(QTextDocument &document, int from, int to, CaseConversion conversion);
