// libFuzzer target: Basic credentials against a small protected-folder
// table, through the pure decision and through a connection record; the
// input also serves once as the two setting texts.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/Codecs.h"
#include "server/AccessControl.h"
#include "server/RequestParser.h"
#include "server/ServerThread.h"

using namespace palvex;

namespace {

const TProtectedFolders& Table() {
    static const TProtectedFolders table = [] {
        TProtectedFolders t;
        LoadProtectedFolders("private:Freunde|admin:Chef|open:*|private/deep:Chef",
                             "bob:Secret:Freunde|eve:pw:Hobby|root:toor:*", t);
        return t;
    }();
    return table;
}

// Access may only ever be granted to these name:password pairs.
bool KnownGood(std::string_view path, std::string_view credentials) {
    if (path.starts_with("open\\"))
        return credentials == "bob:Secret" || credentials == "eve:pw" || credentials == "root:toor";
    if (path.starts_with("private\\"))
        return credentials == "bob:Secret" || credentials == "root:toor";
    return credentials == "root:toor";
}

void CheckDecision(std::string_view credentials) {
    for (const char* path : {"private\\a.txt", "admin\\", "open\\x", "private\\deep\\y"}) {
        const TAccessDecision d = DecideFolderAccess(Table(), path, credentials);
        if (d.Realm.empty() && !KnownGood(path, credentials)) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string user, password;
    DecodeBasicCredentials(input, user, password);
    CheckDecision(user + ":" + password);
    CheckDecision(input);

    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("10.9.8.7")};
    ParseHead(conn, "GET /private/ HTTP/1.0\r\nAuthorization: " + std::string(input));
    const std::string realm = CheckProtectedFolder(conn, "private\\", Table());
    if (realm.empty() && conn.UserName != "bob" && conn.UserName != "root") abort();

    const size_t bar = input.find('\n');
    TProtectedFolders loaded;
    LoadProtectedFolders(input.substr(0, bar),
                         bar == std::string_view::npos ? "" : input.substr(bar + 1), loaded);
    for (const TProtectedFolder& f : loaded.Folders)
        if (f.Folder.empty() || f.Folder.back() != '\\') abort();
    return 0;
}
