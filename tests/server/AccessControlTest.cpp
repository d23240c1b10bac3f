// Protected folders (loading, matching, credentials) and the request filter,
// on connection records that are never started.

#include "server/AccessControl.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/ClientTable.h"
#include "server/ServerThread.h"

namespace palvex {
namespace {

struct FolderView {
    std::string folder, groups, realm;
    bool operator==(const FolderView&) const = default;
};

std::vector<FolderView> Folders(const TProtectedFolders& t) {
    std::vector<FolderView> out;
    for (const auto& f : t.Folders)
        out.push_back({f.Folder, f.Groups, f.Realm});
    return out;
}

TEST(LoadProtectedFolders, FoldersAreNormalisedAndNumberedAndMalformedPiecesSkipped) {
    TProtectedFolders t;
    LoadProtectedFolders(
        " Fotos/2009 :Freunde+Firma|/:*|//Private//:freunde, Hobby|nocolon|:Lost|"
        "FOTOS/2009/:Hobby|leer:",
        "", t);
    const std::vector<FolderView> expected = {
        {"fotos\\2009\\", "+2+", "Login0"},  // named twice: first place, last groups
        {"\\", "+*+", "Login1"},
        {"private\\", "+0+2+", "Login2"},
        {"leer\\", "", "Login3"},
    };
    EXPECT_EQ(Folders(t), expected);
}

TEST(LoadProtectedFolders, GroupCodesAreHexInOrderOfFirstUseFoldersFirst) {
    TProtectedFolders t;
    LoadProtectedFolders("a:g0+g1+g2+g3+g4+g5+g6+g7+g8+g9+g10|b:\"x,y\"+G10,,+", "", t);
    ASSERT_EQ(t.Folders.size(), 2u);
    EXPECT_EQ(t.Folders[0].Groups, "+0+1+2+3+4+5+6+7+8+9+A+");
    EXPECT_EQ(t.Folders[1].Groups, "+B+A+");  // quotes keep a comma; no empty group
}

TEST(LoadProtectedFolders, UsersNeedNamePasswordAndGroups) {
    TProtectedFolders t;
    LoadProtectedFolders("p:Freunde",
                         " bob : Secret : Freunde + Neu |alice:pw:*|nogroups:pw:|nopass::Freunde|"
                         ":pw:Freunde|justname|odd:pw:a:b|dup:1:Freunde|dup:1:Neu",
                         t);
    const std::unordered_map<std::string, std::string> expected = {
        {"bob:Secret", "+0+1+"},
        {"alice:pw", "+*+"},
        {"odd:pw", "+2+"},  // further colons belong to the group name "a:b"
        {"dup:1", "+0+"},   // the first listing wins
    };
    EXPECT_EQ(t.Users, expected);
}

TEST(LoadProtectedFolders, ReplacesThePreviousContent) {
    TProtectedFolders t;
    LoadProtectedFolders("a:x|b:y", "u:p:x", t);
    LoadProtectedFolders("c:z", "", t);
    ASSERT_EQ(t.Folders.size(), 1u);
    EXPECT_EQ(t.Folders[0].Realm, "Login0");
    EXPECT_TRUE(t.Users.empty());
}

TEST(MatchProtectedFolder, WholeElementPrefixIgnoringCaseFirstEntryWins) {
    TProtectedFolders t;
    LoadProtectedFolders("/Private/:g|a:g|a/b:h", "", t);
    const struct {
        const char* path;
        const char* realm;
    } cases[] = {
        {"private\\", "Login0"},
        {"private\\a.txt", "Login0"},
        {"PRIVATE\\X.TXT", "Login0"},
        {"private\\sub\\y.gif", "Login0"},
        {"private2\\x.txt", ""},
        {"privatestuff\\a.txt", ""},
        {"private", ""},
        {"a\\b\\c.txt", "Login1"},
        {"\\", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        const TProtectedFolder* f = MatchProtectedFolder(t, c.path);
        EXPECT_EQ(f ? f->Realm : "", c.realm) << c.path;
    }
}

TEST(MatchProtectedFolder, ProtectedRootCoversTheWholeTree) {
    TProtectedFolders t;
    LoadProtectedFolders("/:g", "", t);
    for (const char* path : {"\\", "index.html", "deep\\er\\x.txt"})
        EXPECT_NE(MatchProtectedFolder(t, path), nullptr) << path;
}

TEST(DecideFolderAccess, CredentialsAndGroups) {
    TProtectedFolders t;
    LoadProtectedFolders("private:Freunde|admin:Chef|open:*",
                         "bob:Secret:Freunde|eve:pw:Hobby|root:toor:*", t);
    const struct {
        const char* path;
        const char* credentials;
        const char* realm;
        const char* user;
    } cases[] = {
        {"private\\x", "", "Login0", ""},
        {"private\\x", "bob:Secret", "", "bob"},
        {"private\\x", "Bob:Secret", "Login0", ""},
        {"private\\x", "bob:secret", "Login0", ""},
        {"private\\x", "bob:", "Login0", ""},
        {"private\\x", ":Secret", "Login0", ""},
        {"private\\x", "bob:Secret:", "Login0", ""},
        {"private\\x", "bob:Secret:+0+|eve:pw", "Login0", ""},
        {"private\\x", "eve:pw", "Login0", "eve"},  // right password, wrong group
        {"admin\\x", "root:toor", "", "root"},      // user in every group
        {"open\\x", "eve:pw", "", "eve"},           // folder open to every user
        {"open\\x", "nobody:pw", "Login2", ""},
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
    const struct {
        const char* authorization;
        const char* realm;
    } cases[] = {
        {"Basic Ym9iOlNlY3JldA==", ""},
        {"Basic Ym9iOlNlY3JldDp4", "Login0"},  // bob:Secret:x
        {"Basic Ym9iOlNlY3Jl", "Login0"},      // cut short: bob:Secre
        {"Basic !!Ym9i*OlNl~Y3JldA", ""},      // foreign bytes are skipped
        {"Basic", "Login0"},
        {"Basic ", "Login0"},
    };
    for (const auto& c : cases) {
        Connection r("84.2.0.1",
                     std::string("GET /private/ HTTP/1.0\r\nAuthorization: ") + c.authorization);
        EXPECT_EQ(CheckProtectedFolder(r.conn, "private\\", t), c.realm) << c.authorization;
        EXPECT_EQ(r.conn.UserName, *c.realm ? "" : "bob") << c.authorization;
    }
    Connection r("84.2.0.2", "GET / HTTP/1.0\r\nAuthorization: Basic Ym9iOlNlY3JldA==");
    CheckProtectedFolder(r.conn, "private\\", t);
    EXPECT_EQ(GetClientNick(r.conn), u"bob");
}

class FilterRequestTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedBlock_ = std::exchange(BlockRanges, {});
        savedPermit_ = std::exchange(PermitRanges, {});
    }
    void TearDown() override {
        BlockRanges = savedBlock_;
        PermitRanges = savedPermit_;
        AppHeaderHook = nullptr;
    }
    static TIPRange Range(const char* from, const char* to, uint8_t kind) {
        return {ParseIPv4(from), ParseIPv4(to), kind};
    }
    std::vector<TIPRange> savedBlock_, savedPermit_;
};

TEST_F(FilterRequestTest, PermitOverridesBlockAndNeedsABlock) {
    PermitRanges = {Range("192.168.0.0", "192.168.255.255", kRangePermit)};
    EXPECT_EQ(Connection("8.8.8.8", "GET / HTTP/1.0").conn.ReadState, 0);  // no block: all pass
    BlockRanges = {Range("0.0.0.0", "255.255.255.255", kRangeBlock)};
    const Connection blocked("8.8.8.8", "PUT /x HTTP/1.0");
    EXPECT_EQ(blocked.conn.ReadState, 2);
    EXPECT_EQ(blocked.conn.Status, rsForbidden);  // method not looked at
    EXPECT_EQ(Connection("192.168.7.1", "GET / HTTP/1.0").conn.ReadState, 0);
}

TEST_F(FilterRequestTest, FiltersThePeerNotTheForwardedAddress) {
    BlockRanges = {Range("84.0.0.0", "84.255.255.255", kRangeBlock)};
    const Connection proxied("84.1.1.1", "GET / HTTP/1.0\r\nX-Forwarded-For: 5.6.7.8");
    EXPECT_EQ(proxied.conn.ClientIP, ParseIPv4("5.6.7.8"));
    EXPECT_EQ(proxied.conn.ReadState, 2);
    const Connection claims("5.6.7.8", "GET / HTTP/1.0\r\nX-Forwarded-For: 84.1.1.1");
    EXPECT_EQ(claims.conn.ReadState, 0);
}

TEST_F(FilterRequestTest, OnlyGetHeadAndPostAreRead) {
    AppHeaderHook = [](THttpServerThread&) {};
    for (const char* method : {"GET", "HEAD", "POST", "head"}) {
        const Connection c("8.8.8.8", std::string(method) + " / HTTP/1.0");
        EXPECT_EQ(c.conn.ReadState, 0) << method;
        EXPECT_EQ(c.conn.OnHeader, AppHeaderHook) << method;
    }
    for (const char* method : {"PUT", "OPTIONS", "DELETE", ""}) {
        const Connection c("8.8.8.8", std::string(method) + " / HTTP/1.0");
        EXPECT_EQ(c.conn.ReadState, 2) << method;
        EXPECT_EQ(c.conn.Status, rsBadRequest) << method;
    }
}

TEST(ApplyProtectedFolders, SwapsTheRunningTable) {
    ApplyProtectedFolders("a:x", "u:p:x");
    {
        std::lock_guard lock(HookLock);
        ASSERT_NE(ActiveProtectedFolders(), nullptr);
        EXPECT_EQ(ActiveProtectedFolders()->Folders[0].Folder, "a\\");
    }
    ApplyProtectedFolders("", "u:p:x");
    std::lock_guard lock(HookLock);
    EXPECT_EQ(ActiveProtectedFolders(), nullptr);
}

}  // namespace
}  // namespace palvex
