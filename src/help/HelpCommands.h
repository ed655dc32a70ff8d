#pragma once

class Workspace;

// Help topics and the About box.
class HelpCommands
{
public:
    explicit HelpCommands(Workspace &workspace);

    void helpTopics();
    void about();

private:
    Workspace &m_workspace;
};
