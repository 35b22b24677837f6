#pragma once
// SIGTERM (a desktop logout), SIGINT (Ctrl+C in the terminal) and SIGHUP (the
// terminal gone) take the road Options, Exit takes: every open channel closed
// and its line put back as found, the driver closed, exit status 0. The
// handler only writes to a pipe the event loop watches; a second signal
// during shut-down ends the process at once.
#include <functional>

// Installs the handlers. `exitRoad` runs on the event loop, outside every
// modal dialog (those are closed first), once per process.
void InstallSignalExit(std::function<void()> exitRoad);
