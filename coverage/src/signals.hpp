// The runtime's side of the coverage signals.
#pragma once

namespace covdump
{

// Start-up step: resets the program's recorded handlers and installs the
// runtime's handlers of SIGTERM, 56 and 57.
void install_signal_handlers();

} // namespace covdump
