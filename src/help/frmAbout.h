#pragma once

#include "platform/FormDialog.h"

class QLabel;
class QPushButton;
class Workspace;

// "About Penwick": title, version, a line on what the program is and a short notice.
class frmAbout : public FormDialog
{
    Q_OBJECT

public:
    explicit frmAbout(Workspace &workspace, QWidget *parent = nullptr);

    void cmdOK_Click();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
    void Form_Unload() override;

    Workspace &m_workspace;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QPushButton *m_cmdOK = nullptr;
};
