// The event log: every message of the daemon goes through pcie_log, which
// writes a time-stamp prefix and the formatted text to standard output.
#ifndef LINKMON_APP_LOG_H
#define LINKMON_APP_LOG_H

extern "C" {

int pcie_log(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
// The "[seconds.micro] [date] " prefix alone.
void log_prefix(void);

} // extern "C"

#endif
