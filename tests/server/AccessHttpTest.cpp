// Protected folders and the request filter through the real server, including
// attempts to reach protected files by other spellings of their paths.

#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "common/TextConv.h"
#include "config/IpFilter.h"
#include "server/AccessControl.h"
#include "server/AuthThrottle.h"
#include "server/StaticFiles.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using test::Exchange;

constexpr const char* kChallenge =
    "HTTP/1.0 401 Authorization Required\r\nServer: morvi/1.3 (Win32)\r\n"
    "WWW-Authenticate: Basic realm=\"Login0\"\r\nContent-Type: text/plain\r\n"
    "Cache-Control: no-cache\r\nConnection: close\r\n\r\nAuthorization required";

// anna:geheim, bob:pw, carl:x (Base64); a wrong password for anna.
constexpr const char* kAnna = "Authorization: Basic YW5uYTpnZWhlaW0=\r\n";
constexpr const char* kBob = "Authorization: Basic Ym9iOnB3\r\n";
constexpr const char* kCarl = "Authorization: Basic Y2FybDp4\r\n";
constexpr const char* kWrong = "Authorization: Basic YW5uYTp3cm9uZw==\r\n";  // anna:wrong

class AccessHttp : public ::testing::Test {
  protected:
    void SetUp() override {
        root_.Write("private/secret.txt", "secret");
        root_.Write("private/sub/deep.txt", "deep");
        root_.Write("privatestuff/open.txt", "open");
        root_.Write("admin/a.txt", "admin");
        root_.Write("\xC3\x84rger/x.txt", "umlaut");
        root_.Write("public.txt", "public");
        ApplyProtectedFolders("private:Freunde|admin:Admin|\xC3\xA4rger:Admin",
                              "anna:geheim:Freunde|bob:pw:*|carl:x:Nobody");
        ReloadIPFilter("");
        server_ = &test::StartTestServer(DispatchRequest, FilterRequest);
        server_->Root = Utf8ToWide(root_.Path());
    }
    void TearDown() override {
        StopServer(*server_);
        ApplyProtectedFolders("", "");
        ReloadIPFilter("");
    }
    std::string Get(const std::string& target, const std::string& extra = "") {
        return Exchange(server_->Port, "GET " + target + " HTTP/1.0\r\n" + extra + "\r\n");
    }
    bool Served(const std::string& target, const std::string& extra = "") {
        return Get(target, extra).starts_with("HTTP/1.0 200");
    }
    test::TempDir root_;
    THttpServer* server_ = nullptr;
};

TEST_F(AccessHttp, ChallengeAndAdmission) {
    EXPECT_EQ(Get("/private/secret.txt"), kChallenge);
    EXPECT_TRUE(Served("/private/secret.txt", kAnna));
    EXPECT_TRUE(Served("/private/sub/deep.txt", kBob));  // a user in group * enters everywhere
    EXPECT_EQ(Get("/private/secret.txt", kCarl), kChallenge);
    EXPECT_TRUE(Get("/admin/a.txt", kAnna).starts_with("HTTP/1.0 401"));
    EXPECT_NE(Get("/admin/a.txt").find("realm=\"Login1\""), std::string::npos);
    EXPECT_TRUE(Served("/privatestuff/open.txt"));
    EXPECT_TRUE(Served("/public.txt"));
    EXPECT_TRUE(Get("/private/missing.txt").starts_with("HTTP/1.0 404"));
    EXPECT_TRUE(Get("/private/*extra/online.txt").starts_with("HTTP/1.0 404"));  // not challenged
}

TEST_F(AccessHttp, OtherSpellingsOfAProtectedPathAreChallengedToo) {
    for (const char* target :
         {"/PRIVATE/secret.txt", "/Private/secret.txt", "//private/secret.txt",
          "/private//secret.txt", "/./private/secret.txt", "/private/./secret.txt",
          "/%70rivate/secret.txt", "/private%2Fsecret.txt", "/private%5Csecret.txt",
          "\\private\\secret.txt", "/private/sub/../secret.txt", "/private", "/private/",
          "/%u0070rivate/secret.txt", "/%C3%84rger/x.txt", "/%C4rger/x.txt"}) {
        const std::string answer = Get(target);
        EXPECT_FALSE(answer.starts_with("HTTP/1.0 200")) << target << "\n" << answer;
        EXPECT_EQ(answer.find("secret"), std::string::npos) << target;
    }
    // A forwarded address changes the client, not the rules.
    EXPECT_EQ(Get("/private/secret.txt", "X-Forwarded-For: 84.1.2.3\r\n"), kChallenge);
}

TEST_F(AccessHttp, LinksIntoAProtectedFolderAreChallengedLinksOutOfTheRootFollowed) {
    namespace fs = std::filesystem;
    test::TempDir outside;
    outside.Write("shared/note.txt", "outside");
    fs::create_directory_symlink("private", root_ / "link_private");
    fs::create_directory_symlink("./private/sub", root_ / "link_sub");
    fs::create_symlink("private/secret.txt", root_ / "secret_link.txt");
    root_.MakeDir("pub");
    fs::create_symlink("../private/secret.txt", root_ / "pub/index.html");
    fs::create_directory_symlink(outside / "shared", root_ / "shared");
    for (const char* target : {"/link_private/secret.txt", "/link_private/", "/link_private",
                               "/link_sub/deep.txt", "/secret_link.txt", "/pub/"}) {
        const std::string answer = Get(target);
        EXPECT_TRUE(answer.starts_with("HTTP/1.0 401")) << target << "\n" << answer;
        EXPECT_EQ(answer.find("secret"), std::string::npos) << target;
        // Folders have no listing here: 404 once admitted.
        EXPECT_FALSE(Get(target, kAnna).starts_with("HTTP/1.0 401")) << target;
    }
    EXPECT_TRUE(Get("/link_private/secret.txt", kAnna).ends_with("\r\n\r\nsecret"));
    EXPECT_TRUE(Served("/shared/note.txt"));
    EXPECT_TRUE(Served("/pub/", kAnna));
}

TEST_F(AccessHttp, HostileAuthorizationValuesAreRefusedQuietly) {
    for (const std::string& value : std::vector<std::string>{
             "Basic", "Basic ", "Basic ====", "Basic YW5uYTpnZWhlaW0",
             "Basic YW5uYTpnZWhlaW0=====", "Basic " + std::string(4000, 'A'), "Basic YW5uYQ==",
             "Basic OmdlaGVpbQ==", "Bearer YW5uYTpnZWhlaW0=", "Basic \x01\x02\xff"}) {
        const std::string answer = Get("/private/secret.txt", "Authorization: " + value + "\r\n");
        EXPECT_TRUE(answer.empty() || answer.starts_with("HTTP/1.0 401") ||
                    answer.starts_with("HTTP/1.0 200"))
            << value;
    }
    // "YW5uYTpnZWhlaW0" is anna:geheim without its padding, which still decodes whole.
    EXPECT_TRUE(Served("/private/secret.txt", "Authorization: Basic YW5uYTpnZWhlaW0\r\n"));
    EXPECT_EQ(Get("/private/secret.txt", "Authorization: Basic YW5uYTpHRUhFSU0=\r\n"), kChallenge);
}

TEST_F(AccessHttp, GuessingIsSlowedForTheGuesserOnly) {
    constexpr uint32_t kGuesser = 0x7F000005, kOther = 0x7F000006;  // 127.0.0.5 and .6
    const auto get = [&](uint32_t from, const std::string& auth) {
        return Exchange(server_->Port, "GET /private/secret.txt HTTP/1.0\r\n" + auth + "\r\n",
                        from);
    };
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(get(kGuesser, kWrong), kChallenge);
    // The next guess is refused only after a pause, during which the server
    // answers others at once: the pause holds no lock.
    std::string slowAnswer;
    std::atomic<bool> guessAnswered{false};
    const auto start = std::chrono::steady_clock::now();
    std::thread guess([&] {
        slowAnswer = get(kGuesser, kWrong);
        guessAnswered = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(get(kOther, kAnna).starts_with("HTTP/1.0 200"));
    EXPECT_FALSE(guessAnswered);
    guess.join();
    EXPECT_EQ(slowAnswer, kChallenge);
    EXPECT_GE(std::chrono::steady_clock::now() - start, kRefusalDelayStep);
    // Right credentials still open the folder from the guessing address.
    EXPECT_TRUE(get(kGuesser, kAnna).starts_with("HTTP/1.0 200"));
}

TEST_F(AccessHttp, BlockedPeersAndOtherMethodsGetNoAnswer) {
    EXPECT_EQ(Exchange(server_->Port, "PUT /x HTTP/1.0\r\nContent-Length: 5\r\n\r\nhello"), "");
    EXPECT_EQ(Exchange(server_->Port, "OPTIONS * HTTP/1.0\r\n\r\n"), "");
    ReloadIPFilter("block:127.0.0.0-127.255.255.255");
    EXPECT_EQ(Get("/public.txt"), "");
    EXPECT_EQ(Get("/public.txt", "X-Forwarded-For: 84.1.2.3\r\n"),
              "");  // the socket address counts
    ReloadIPFilter("block:0.0.0.0-255.255.255.255,permit:127.0.0.1");
    EXPECT_TRUE(Served("/public.txt"));
    ReloadIPFilter("permit:1.2.3.4");
    EXPECT_TRUE(Served("/public.txt"));
}

}  // namespace
}  // namespace palvex
