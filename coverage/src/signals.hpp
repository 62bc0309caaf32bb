// The runtime's side of the coverage signals.
#pragma once

namespace covdump
{

// Start-up step: resets the program's recorded handlers and installs the
// runtime's handlers of SIGTERM, 56 and 57.
void install_signal_handlers();

// Start-up step when the runtime cannot run: signals 56 and 57 are ignored
// (SIGTERM keeps its default action).
void ignore_control_signals();

} // namespace covdump
