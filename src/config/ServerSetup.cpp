#include "config/ServerSetup.h"

#include <cstdio>
#include <mutex>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "config/IndexName.h"
#include "config/IpFilter.h"
#include "config/Settings.h"
#include "server/AccessControl.h"
#include "server/HttpServer.h"
#include "server/StaticFiles.h"
#include "webapps/Chat.h"
#include "webapps/DirListing.h"
#include "webapps/Router.h"
#include "webapps/ThumbnailAnswer.h"
#include "webapps/WebcamPages.h"

namespace palvex {

void SetupListing() {
    if (!IsPlainIndexName(GlobalSettings().Index))
        std::fputs("palvex: the Index setting is not a plain file name; index.html is used\n",
                   stderr);
    ApplyListingValues(ListingSettingValues(GlobalSettings()));
}

void ApplyListingValues(const TListingValues& values) {
    const std::string index = SafeIndexName(TrimBlanks(values.Index));
    std::lock_guard lock(HookLock);
    THttpServer& server = GlobalServer();
    server.IndexName = index;
    if (!server.DirectoryListing) server.DirectoryListing = std::make_shared<TDirectoryListing>();
    server.DirectoryListing->Title = values.Title;
    server.DirectoryListing->Info = values.Info;
    server.DirectoryListing->Background =
        UrlEncodePath(AnsiToWide(BackgroundForm(values.Background)));
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
    VirtualRouter = RouteVirtualPath;
    ChatHandler = ChatRequest;
    CamHandler = CamRequest;
    ThumbnailResponder = ThumbnailAnswer;
    if (s.Port < 0 || s.Port > kMaxPort) return false;
    return StartServer(server, static_cast<uint16_t>(s.Port), retryPorts, DispatchRequest, nullptr,
                       FilterRequest);
}

void StopConfiguredServer() {
    StopServer(GlobalServer());
}

}  // namespace palvex
