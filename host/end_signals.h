#pragma once
// The end signals of the programs outside Windows (SIGTERM, SIGINT, SIGHUP),
// turned into a byte on a pipe that the main loop polls beside its display
// connection, so that the loop ends in its own time rather than inside a
// handler. SIGPIPE is ignored: a display server that goes away then shows as
// a failed write instead of a killed process.

// Makes the pipe and installs the handlers; false when no pipe could be made.
bool SetUpEndSignals();
// The pipe's end to poll for POLLIN: readable once an end signal came.
int EndSignalFd();
