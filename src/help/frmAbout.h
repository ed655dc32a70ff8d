#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class Workspace;

// "About Penwick": title, version, a line on what the program is and a short notice.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(Workspace &workspace, QWidget *parent = nullptr);

    // What closing the box does; runs once, however the box ends.
    void unload();

    void cmdOK_Click();

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();

    Workspace &m_workspace;
    QLabel *m_lblTitle = nullptr;
    QLabel *m_lblVersion = nullptr;
    QPushButton *m_cmdOK = nullptr;
    bool m_unloaded = false;
};
