#pragma once
// The wiring both front ends share: copies the settings into the one server
// object, installs the web applications' hooks, the speed limit and the
// front end's request observer, and starts or stops the server. The setters
// below change the settings and the running server together, so a front end
// never reaches into the server itself.

#include <cstdint>
#include <string>
#include <string_view>

#include "config/ListingValues.h"
#include "server/HttpServer.h"

namespace palvex {

// Server name, listing switch, MIME list, root, filter and protected-folder
// tables, speed limit and the listing generator from the settings, the web
// applications' hooks and folders, then StartServer on the configured port;
// true when the server runs.
bool StartConfiguredServer(bool retryPorts);
void StopConfiguredServer();
// Creates the listing generator when missing and refreshes its texts and the
// index name from the settings.
void SetupListing();
// Hands listing values to the running server as a whole under HookLock: the
// index name (the default for an empty one or one that is not a plain file
// name) and the generator's title, info and background (the generator is
// created when missing). For the server start and the listing editor.
void ApplyListingValues(const TListingValues& values);

// The front end's observer of every logged answer: called on the connection
// thread, inside HookLock, once the answer head is built and the speed limit
// applied. Answers that are not logged (chat and webcam polls) are neither
// observed nor throttled. Takes HookLock.
void SetRequestObserver(THook observer);

// The speed limit of new answers (0 none, 1 = 1 KiB/s, 2 = 4 KiB/s).
uint8_t CurrentSpeedLimit();

// Setters for the front ends. Each takes HookLock and changes the settings
// and the running server (or the next start) together.
// The speed limit of answers started from now on; running transfers keep
// theirs (the log screen changes one at a time). The Limit setting stays as
// the user wrote it: a limit chosen while running is for this run only.
void SetSpeedLimit(uint8_t speedLimit);
// The folder served from the next request on; root is absolute and gets a
// trailing "/" when it has none.
void SetRootFolder(std::u16string root);
// Listing of folders without an index file on or off from the next request on.
void SetListingEnabled(bool enabled);
// The running server takes the settings as they are now: listing switch, MIME
// list, root, IP filter, protected folders, listing texts, index name and
// speed limit. Port and server name wait for the next start.
void ReloadConfiguration();
// Reads a configuration file (relative to the configuration folder) into the
// settings and reloads them; false, with nothing changed, when it cannot be read.
bool LoadConfiguration(std::string_view path);

}  // namespace palvex
