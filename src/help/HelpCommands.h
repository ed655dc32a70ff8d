#pragma once

class frmPenwick;

// Help topics and the About box.
class HelpCommands
{
public:
    explicit HelpCommands(frmPenwick &main);

    void helpTopics();
    void about();

private:
    frmPenwick &m_main;
};
