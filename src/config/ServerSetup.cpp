#include "config/ServerSetup.h"

#include "config/IpFilter.h"
#include "config/Settings.h"
#include "server/AccessControl.h"
#include "server/HttpServer.h"
#include "server/StaticFiles.h"

namespace palvex {

void SetupListing() {
    const TServerSettings& s = GlobalSettings();
    THttpServer& server = GlobalServer();
    server.IndexName = s.Index.empty() ? std::string(kDefaultIndexName) : s.Index;
}

bool StartConfiguredServer(bool retryPorts) {
    const TServerSettings& s = GlobalSettings();
    THttpServer& server = GlobalServer();
    if (server.Active) return true;
    server.ServerName = s.Server;
    server.ListingEnabled = s.Listing;
    server.MimeTypes = s.MIME;
    server.Root = s.Root;
    ReloadIPFilter(s.IPFilter);
    ApplyProtectedFolders(s.AuthDir, s.AuthUser);
    SetupListing();
    if (s.Port < 0 || s.Port > kMaxPort) return false;
    return StartServer(server, static_cast<uint16_t>(s.Port), retryPorts, DispatchRequest, nullptr,
                       FilterRequest);
}

void StopConfiguredServer() {
    StopServer(GlobalServer());
}

}  // namespace palvex
