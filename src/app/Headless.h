#pragma once
// The program without a window: the same start-up, log lines on stdout,
// and a clean stop on SIGINT or SIGTERM.

namespace palvex {

// Blocks SIGINT and SIGTERM so that only the waiting main thread takes them,
// and ignores SIGPIPE; call before any thread starts.
void BlockStopSignals();
// Runs until a stop signal; returns the process exit code.
int RunHeadless();

}  // namespace palvex
