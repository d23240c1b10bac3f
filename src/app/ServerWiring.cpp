#include "app/ServerWiring.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "common/Codecs.h"
#include "common/TextConv.h"
#include "config/IndexName.h"
#include "config/IpFilter.h"
#include "config/LimitSetting.h"
#include "config/ProgramPaths.h"
#include "config/Settings.h"
#include "server/AccessControl.h"
#include "server/MimeTypes.h"
#include "server/ServerThread.h"
#include "server/SpeedLimit.h"
#include "server/StaticFiles.h"
#include "webapps/Chat.h"
#include "webapps/ChatPages.h"
#include "webapps/DirListing.h"
#include "webapps/Router.h"
#include "webapps/ThumbnailAnswer.h"
#include "webapps/WebcamPages.h"

namespace palvex {

namespace {

THook g_requestObserver = nullptr;  // read and written inside HookLock

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

// The header hook of every connection: a logged answer takes the speed limit
// in force, then the front end sees it.
void OnAnswerHead(THttpServerThread& conn) {
    if (conn.NoLog) {
        conn.SpeedLimit = kSpeedUnlimited;
        return;
    }
    conn.SpeedLimit = GlobalSpeedLimit.load();
    if (g_requestObserver) g_requestObserver(conn);
}

// What the running server can take from the settings without a restart.
void ApplySettings(const TServerSettings& s, THttpServer& server) {
    std::lock_guard lock(HookLock);
    server.ListingEnabled = s.Listing;
    server.MimeTypes = NormalizeMimeTypes(s.MIME);
    server.Root = s.Root;
    ReloadIPFilter(s.IPFilter);
    ApplyProtectedFolders(s.AuthDir, s.AuthUser);
    SetupListing();
    GlobalSpeedLimit = SpeedLimitOfSetting(s.Limit);
}

void InstallHooks(THttpServer& server) {
    server.OnHeader = OnAnswerHead;
    VirtualRouter = RouteVirtualPath;
    ChatHandler = ChatRequest;
    CamHandler = CamRequest;
    ThumbnailResponder = ThumbnailAnswer;
}

}  // namespace

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
    ApplySettings(s, server);
    ShareProgramFolders();
    InstallHooks(server);
    if (s.Port < 0 || s.Port > kMaxPort) return false;
    return StartServer(server, static_cast<uint16_t>(s.Port), retryPorts, DispatchRequest, nullptr,
                       FilterRequest);
}

void StopConfiguredServer() {
    StopServer(GlobalServer());
}

void SetRequestObserver(THook observer) {
    std::lock_guard lock(HookLock);
    g_requestObserver = observer;
}

uint8_t CurrentSpeedLimit() {
    return GlobalSpeedLimit.load();
}

void SetSpeedLimit(uint8_t speedLimit) {
    std::lock_guard lock(HookLock);
    GlobalSpeedLimit = speedLimit;
}

void SetRootFolder(std::u16string root) {
    if (!root.empty() && root.back() != u'/') root += u'/';
    std::lock_guard lock(HookLock);
    GlobalSettings().Root = root;
    GlobalServer().Root = std::move(root);
}

void SetListingEnabled(bool enabled) {
    std::lock_guard lock(HookLock);
    GlobalSettings().Listing = enabled;
    GlobalServer().ListingEnabled = enabled;
}

void ReloadConfiguration() {
    ApplySettings(GlobalSettings(), GlobalServer());
}

bool LoadConfiguration(std::string_view path) {
    TServerSettings loaded = GlobalSettings();
    if (!LoadSettingsFile(loaded, path, ProgramPaths())) return false;
    std::lock_guard lock(HookLock);
    GlobalSettings() = std::move(loaded);
    ReloadConfiguration();
    return true;
}

}  // namespace palvex
