#include "VxPasswordPrompt.h"

namespace {

// Without a way to ask, a refused password ends the logon.
class CancellingPrompt : public VxPasswordPrompt
{
public:
    bool ask(QString &) override { return false; }
};

CancellingPrompt g_cancellingPrompt;
VxPasswordPrompt *g_prompt = &g_cancellingPrompt;

}

VxPasswordPrompt &VxPasswordPrompt::instance()
{
    return *g_prompt;
}

VxPasswordPrompt *VxPasswordPrompt::install(VxPasswordPrompt *prompt)
{
    VxPasswordPrompt *previous = g_prompt;
    g_prompt = prompt ? prompt : &g_cancellingPrompt;
    return previous == &g_cancellingPrompt ? nullptr : previous;
}
