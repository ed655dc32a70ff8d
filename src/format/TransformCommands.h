#pragma once

class frmPenwick;

// Case transforms and joining hard-wrapped lines.
class TransformCommands
{
public:
    explicit TransformCommands(frmPenwick &main);

    void upperCase();
    void lowerCase();
    void capitalize();
    void invertCase();
    void removeLineBreaks();

private:
    frmPenwick &m_main;
};
