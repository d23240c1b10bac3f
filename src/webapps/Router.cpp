#include "webapps/Router.h"

#include <cerrno>
#include <mutex>

#include "common/FileIo.h"
#include "common/Paths.h"
#include "common/TextConv.h"
#include "server/BuiltinImages.h"
#include "server/ServerThread.h"

namespace palvex {

TVirtualRouter ChatHandler = nullptr;
TVirtualRouter CamHandler = nullptr;

namespace {

// Characters after the "*" that choose the application.
constexpr size_t kRouteWordChars = 7;
constexpr std::string_view kTemplateFolder = "System/";
constexpr std::string_view kTemplateFallbackFolder = "System/Templates/";

// Never freed: a late connection thread may still serve a template.
std::vector<std::string>& g_templateFolders = *new std::vector<std::string>;

// Answers through an application's hook, 404 while it is not installed.
void HandOver(TVirtualRouter handler, THttpServerThread& conn, const std::u16string& path) {
    if (handler)
        handler(conn, path);
    else
        conn.Status = rsNotFound;
}

// A template that is there but cannot be read for lack of descriptors or
// memory answers 503: served empty, it would be cached as the real thing.
void SendTemplate(THttpServerThread& conn, std::string_view name, std::string_view contentType) {
    bool shortage = false;
    conn.ResponseBody = LoadTemplate(name, &shortage);
    conn.Status = shortage ? rsOverload : rsOk;
    if (!shortage) conn.ContentType = contentType;
}

void SendFolderIcon(THttpServerThread& conn) {
    SendTemplate(conn, "folder.gif", "image/gif");
    if (conn.Status == rsOk && conn.ResponseBody.empty()) SendBlankGif(conn);
}

void SendOnlineProbe(THttpServerThread& conn) {
    conn.ResponseBody = "1";
    conn.Status = rsOk;
    conn.ContentType = "text/plain";
    conn.NoCache = true;
}

std::string ReadTemplateFile(std::string_view relPath, std::span<const std::string> folders,
                             bool* shortage) {
    std::string bytes;
    if (!ReadFileBytes(AnsiToWide(FindInFolders(folders, relPath)), bytes) && shortage &&
        IsResourceShortage(errno))
        *shortage = true;
    return bytes;
}

}  // namespace

void RouteVirtualPath(THttpServerThread& conn, const std::u16string& path) {
    const size_t star = path.find(u'*');
    if (star == std::u16string::npos) {
        conn.Status = rsBadRequest;
        return;
    }
    const std::u16string word =
        AsciiLower(std::u16string_view(path).substr(star + 1, kRouteWordChars));
    if (word.starts_with(u"cam\\"))
        HandOver(CamHandler, conn, path);
    else if (word.starts_with(u"chat\\"))
        HandOver(ChatHandler, conn, path);
    else if (word.starts_with(u"extra\\"))
        ServeExtra(conn, path);
    else
        conn.Status = rsNotFound;
}

void ServeExtra(THttpServerThread& conn, const std::u16string& path) {
    const size_t sep = path.find_last_of(u"\\:");
    const std::u16string name =
        AsciiLower(sep == std::u16string::npos ? std::u16string_view(path)
                                               : std::u16string_view(path).substr(sep + 1));
    if (name == u"dir.css")
        SendTemplate(conn, "dir.css", "text/css");
    else if (name == u"dir.js")
        SendTemplate(conn, "dir.js", "text/javascript");
    else if (name == u"folder.gif")
        SendFolderIcon(conn);
    else if (name == u"tn.gif")
        SendTnGif(conn);
    else if (name == u"transparent.gif")
        SendBlankGif(conn);
    else if (name == u"color.gif")
        SendColorGif(conn);
    else if (name == u"online.txt")
        SendOnlineProbe(conn);
    else
        conn.Status = rsNotFound;
}

void SetTemplateFolders(std::vector<std::string> folders) {
    std::lock_guard lock(HookLock);
    g_templateFolders.swap(folders);
}

std::string LoadTemplate(std::string_view name, bool* shortage) {
    return LoadTemplate(name, g_templateFolders, shortage);
}

std::string LoadTemplate(std::string_view name, std::span<const std::string> folders,
                         bool* shortage) {
    if (shortage) *shortage = false;
    std::string bytes =
        ReadTemplateFile(std::string(kTemplateFolder) + std::string(name), folders, shortage);
    if (bytes.empty())
        bytes = ReadTemplateFile(std::string(kTemplateFallbackFolder) + std::string(name), folders,
                                 shortage);
    if (!bytes.empty() && shortage) *shortage = false;
    return bytes;
}

}  // namespace palvex
