// Protected folders (loading, matching, credentials) and the request filter,
// on connection records that are never started.

#include "server/AccessControl.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/ClientTable.h"
#include "server/RequestParser.h"

namespace palvex {
namespace {

TEST(LoadProtectedFolders, NormalisesFoldersNumbersGroupsAndSkipsMalformedPieces) {
    TProtectedFolders t;
    LoadProtectedFolders(
        " Fotos/2009 :Freunde+Firma|/:*|//Private//:freunde, Hobby|nocolon|:Lost|"
        "FOTOS/2009/:Hobby|hex:a+b+c+d+e+f+g+h+\"x,y\",,",
        " bob : Secret : Freunde + Neu |alice:pw:*|nogroups:pw:|nopass::Freunde|:pw:Freunde|"
        "justname|odd:pw:a:b|dup:1:Freunde|dup:1:Neu",
        t);
    std::vector<std::string> folders;
    for (const auto& f : t.Folders)
        folders.push_back(f.Realm + " " + f.Folder + " " + f.Groups);
    const std::vector<std::string> expected = {
        "Login0 fotos\\2009\\ +2+",  // named twice: first place, last groups
        "Login1 \\ +*+", "Login2 private\\ +0+2+",
        "Login3 hex\\ +3+4+5+6+7+8+9+A+B+",  // quotes keep a comma; no empty group
    };
    EXPECT_EQ(folders, expected);
    const std::unordered_map<std::string, std::string> users = {
        {"bob:Secret", "+0+C+"},
        {"alice:pw", "+*+"},
        {"odd:pw", "+D+"},  // further colons belong to the group name
        {"dup:1", "+0+"},   // the first listing wins
    };
    EXPECT_EQ(t.Users, users);
}

TEST(MatchProtectedFolder, WholeElementPrefixIgnoringCaseFirstEntryWins) {
    TProtectedFolders t;
    LoadProtectedFolders("/Private/:g|a:g|a/b:h", "", t);
    const std::pair<const char*, const char*> cases[] = {
        {"private\\", "Login0"},       {"PRIVATE\\X.TXT", "Login0"},
        {"private\\sub\\y", "Login0"}, {"private2\\x.txt", ""},
        {"privatestuff\\a", ""},       {"private", ""},
        {"a\\b\\c.txt", "Login1"},     {"\\", ""},
    };
    for (const auto& [path, realm] : cases) {
        const TProtectedFolder* f = MatchProtectedFolder(t, path);
        EXPECT_EQ(f ? f->Realm : "", realm) << path;
    }
    LoadProtectedFolders("/:g", "", t);  // the root covers the whole tree
    EXPECT_NE(MatchProtectedFolder(t, "deep\\er\\x.txt"), nullptr);
}

TEST(DecideFolderAccess, CredentialsAndGroups) {
    TProtectedFolders t;
    LoadProtectedFolders("private:Freunde|admin:Chef|open:*",
                         "bob:Secret:Freunde|eve:pw:Hobby|root:toor:*", t);
    const struct {
        const char *path, *credentials, *realm, *user;
    } cases[] = {
        {"private\\x", "", "Login0", ""},
        {"private\\x", "bob:Secret", "", "bob"},
        {"private\\x", "Bob:Secret", "Login0", ""},
        {"private\\x", "bob:secret", "Login0", ""},
        {"private\\x", "bob:Secret:", "Login0", ""},
        {"private\\x", "bob:Secret:+0+|eve:pw", "Login0", ""},
        {"private\\x", "eve:pw", "Login0", "eve"},  // right password, wrong group
        {"admin\\x", "root:toor", "", "root"},      // user in every group
        {"open\\x", "eve:pw", "", "eve"},           // folder open to every user
        {"public\\x", "", "", ""},
    };
    for (const auto& c : cases) {
        const TAccessDecision d = DecideFolderAccess(t, c.path, c.credentials);
        EXPECT_EQ(d.Realm, c.realm) << c.path << " " << c.credentials;
        EXPECT_EQ(d.UserName, c.user) << c.path << " " << c.credentials;
    }
}

struct Connection {
    THttpServer server;
    THttpServerThread conn;
    Connection(std::string_view peer, std::string_view head) : conn{server, -1, ParseIPv4(peer)} {
        server.OnRequestParsed = FilterRequest;
        ParseHead(conn, head);
    }
};

TEST(CheckProtectedFolder, DecodesTheHeaderAndRemembersTheUser) {
    TProtectedFolders t;
    LoadProtectedFolders("private:Freunde", "bob:Secret:Freunde", t);
    const std::pair<const char*, const char*> cases[] = {
        {"Basic !!Ym9i*OlNl~Y3JldA==", ""},    // bob:Secret; foreign bytes skipped
        {"Basic Ym9iOlNlY3Jl", "Login0"},      // cut short: bob:Secre
        {"Basic Ym9iOlNlY3JldDp4", "Login0"},  // bob:Secret:x
    };
    int peer = 0;
    for (const auto& [authorization, realm] : cases) {
        Connection r("84.2.0." + std::to_string(++peer),
                     std::string("GET / HTTP/1.0\r\nAuthorization: ") + authorization);
        EXPECT_EQ(CheckProtectedFolder(r.conn, "private\\", t), realm) << authorization;
        EXPECT_EQ(GetClientNick(r.conn), *realm ? u"" : u"bob") << authorization;
    }
}

TEST(FilterRequest, PeerRangesAndMethods) {
    std::lock_guard lock(HookLock);
    const auto saved = std::make_pair(BlockRanges(), PermitRanges());
    PermitRanges() = {{ParseIPv4("192.168.0.0"), ParseIPv4("192.168.255.255"), kRangePermit}};
    EXPECT_EQ(Connection("8.8.8.8", "GET / HTTP/1.0").conn.ReadState,
              kReadRunning);  // no block range
    BlockRanges() = {{ParseIPv4("8.0.0.0"), ParseIPv4("8.255.255.255"), kRangeBlock}};
    const Connection blocked("8.8.8.8", "PUT / HTTP/1.0\r\nX-Forwarded-For: 5.6.7.8");
    EXPECT_EQ(blocked.conn.ReadState, kReadStop);
    EXPECT_EQ(blocked.conn.Status, rsForbidden);  // the method is not looked at
    EXPECT_EQ(Connection("5.6.7.8", "GET / HTTP/1.0\r\nX-Forwarded-For: 8.8.8.8").conn.ReadState,
              0);  // a forwarded address is not trusted
    BlockRanges().push_back({ParseIPv4("192.168.0.1"), ParseIPv4("192.168.0.1"), kRangeBlock});
    EXPECT_EQ(Connection("192.168.0.1", "GET / HTTP/1.0").conn.ReadState,
              kReadRunning);  // permit wins
    for (const auto& [method, known] : {std::pair{"head", true}, {"PUT", false}, {"", false}}) {
        const Connection c("9.9.9.9", std::string(method) + " / HTTP/1.0");
        EXPECT_EQ(c.conn.Status, known ? rsNone : rsBadRequest) << method;
        EXPECT_EQ(c.conn.ReadState, known ? kReadRunning : kReadStop) << method;
    }
    std::tie(BlockRanges(), PermitRanges()) = saved;
}

}  // namespace
}  // namespace palvex
