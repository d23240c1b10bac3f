#pragma once
// Copies the settings into the one server object and starts or stops it.

#include "config/ListingValues.h"

namespace palvex {

// Server name, listing switch, MIME list, root, filter and protected-folder
// tables and the listing generator from the settings, then StartServer on
// the configured port; true when the server runs.
bool StartConfiguredServer(bool retryPorts);
void StopConfiguredServer();
// Creates the listing generator when missing and refreshes its texts from
// the settings.
void SetupListing();
// Hands listing values to the running server as a whole under HookLock: the
// index name (the default for an empty one or one that is not a plain file
// name) and the generator's title, info and background (the generator is
// created when missing). For the server start and the listing editor.
void ApplyListingValues(const TListingValues& values);

}  // namespace palvex
