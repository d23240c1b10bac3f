#pragma once
// The wiring both front ends share: copies the settings into the one server
// object, installs the web applications' hooks, and starts or stops it.

namespace palvex {

// Server name, listing switch, MIME list, root, filter and protected-folder
// tables and the listing generator from the settings, then StartServer on
// the configured port; true when the server runs.
bool StartConfiguredServer(bool retryPorts);
void StopConfiguredServer();
// Creates the listing generator when missing and refreshes its texts.
void SetupListing();

}  // namespace palvex
