#include "VxDialogPasswordPrompt.h"

#include "frmPassword_VX700Logon.h"

bool VxDialogPasswordPrompt::ask(QString &password)
{
    frmPassword_VX700Logon dialog(m_parent);
    dialog.exec();
    if (!dialog.IsOK())
        return false;
    password = dialog.Password();
    return true;
}
