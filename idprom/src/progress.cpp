// The calling program's progress hook: the page routines report every byte
// they have moved, so that a program can show how far a slow transfer got.
#include "progress.h"
#include "export.h"

namespace boardprom
{
namespace
{

idprom_progress_fn g_hook = nullptr;
void *g_context = nullptr;

} // namespace

void report_progress(int done, int total)
{
    if (g_hook != nullptr)
        g_hook(g_context, done, total);
}

} // namespace boardprom

extern "C" BOARDPROM_EXPORT void idprom_set_progress(idprom_progress_fn fn, void *context)
{
    boardprom::g_hook = fn;
    boardprom::g_context = context;
}
