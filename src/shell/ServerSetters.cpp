#include "shell/ServerSetters.h"

#include <mutex>

#include "config/Settings.h"
#include "server/HttpServer.h"

namespace palvex {

void SetServerRoot(const std::u16string& root) {
    std::lock_guard lock(HookLock);
    GlobalSettings().Root = root;
    GlobalServer().Root = root;
}

void SetListingEnabled(bool enabled) {
    std::lock_guard lock(HookLock);
    GlobalSettings().Listing = enabled;
    GlobalServer().ListingEnabled = enabled;
}

}  // namespace palvex
