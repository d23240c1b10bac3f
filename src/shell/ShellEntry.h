#pragma once
// The program with its window.

namespace palvex {

// Start-up check, the main window and its event loop, then the server's
// stop; returns the process exit code. Call after SetCommandLine and
// BlockStopSignals; a stop signal closes the window without questions.
int RunGui(int& argc, char** argv);

}  // namespace palvex
