// The library's one exported function and the process-wide device.
#include "ssecall.h"

#include "sse_device.h"
#include "sse_gateway.h"

namespace
{

// Constant-initialised: usable before any constructor of the loading
// program runs, and nothing to destroy at exit.
constinit ssecall::SseDevice process_device;

} // namespace

extern "C" [[gnu::visibility("default")]] int sse_call(int cmd, void *arg)
{
    return ssecall::sse_call_on(process_device, cmd, arg);
}
