#pragma once

#include "VxPasswordPrompt.h"

class QWidget;

// The windowed program's password prompt: frmPassword_VX700Logon, modal.
class VxDialogPasswordPrompt : public VxPasswordPrompt
{
public:
    explicit VxDialogPasswordPrompt(QWidget *parent = nullptr) : m_parent(parent) {}
    bool ask(QString &password) override;

private:
    QWidget *m_parent;
};
