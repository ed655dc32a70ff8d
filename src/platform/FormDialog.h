#pragma once

#include <QDialog>

// A modal window of the program. What it does as it closes (Form_Unload: storing its place,
// giving the main window back its place on top) runs once, however it ends: by a button, Esc,
// its close box, or its caller once the question has been answered without showing it.
class FormDialog : public QDialog
{
public:
    using QDialog::QDialog;

    void unload()
    {
        if (m_unloaded)
            return;
        m_unloaded = true;
        Form_Unload();
    }

protected:
    void done(int result) override
    {
        unload();
        QDialog::done(result);
    }
    virtual void Form_Unload() = 0;

private:
    bool m_unloaded = false;
};
