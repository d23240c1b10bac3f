#include "app/ServerWiring.h"

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "config/IpFilter.h"
#include "config/PathOps.h"
#include "config/ProgramPaths.h"
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

namespace {

// The web applications learn the program's folders from here, not from the
// configuration: templates beside the program, chat logs in the data folder.
void ShareProgramFolders() {
    SetTemplateFolders(ProgramFileFolders(ProgramPaths()));
    static const bool chatFolderSet = [] {
        SetChatLogFolder(ProgramPaths().DataFolder);
        return true;
    }();
    (void)chatFolderSet;
}

}  // namespace

void SetupListing() {
    const TServerSettings& s = GlobalSettings();
    THttpServer& server = GlobalServer();
    server.IndexName = s.Index.empty() ? std::string(kDefaultIndexName) : s.Index;
    if (!server.DirectoryListing) server.DirectoryListing = std::make_shared<TDirectoryListing>();
    server.DirectoryListing->Title = s.ListingTitle;
    server.DirectoryListing->Info = s.ListingInfo;
    server.DirectoryListing->Background = UrlEncodePath(AnsiToWide(PathToUrl(s.ListingBg)));
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
    ShareProgramFolders();
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
