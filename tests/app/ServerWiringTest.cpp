// The configured server with no front end attached: what the settings say
// (speed limit, IP filter, root, listing) acts by itself, and the setters
// change the running server at once.

#include "app/ServerWiring.h"

#include <gtest/gtest.h>
#include <netinet/in.h>

#include <chrono>
#include <mutex>

#include "common/TextConv.h"
#include "config/Settings.h"
#include "server/DirectoryListingBase.h"
#include "server/ServerThread.h"
#include "support/TempDir.h"
#include "support/TestServer.h"

namespace palvex {
namespace {

using namespace std::chrono_literals;

constexpr size_t kBodyBytes = 3 * 4096;  // three blocks at 4 KiB/s: two seconds

class ServerWiringTest : public ::testing::Test {
  protected:
    void SetUp() override {
        root_.Write("big.txt", std::string(kBodyBytes, 'b'));
        TServerSettings& s = GlobalSettings();
        s.Port = test::FreePort();
        s.Root = AnsiToWide(root_.Path());
        s.Listing = true;
        GlobalServer().BindAddress = INADDR_LOOPBACK;
    }
    void TearDown() override { StopConfiguredServer(); }

    void Start() { ASSERT_TRUE(StartConfiguredServer(false)); }
    // The answer to a GET of path and the seconds it took.
    std::string Get(std::string_view path, double* seconds = nullptr) {
        const auto start = std::chrono::steady_clock::now();
        std::string answer =
            test::Exchange(GlobalServer().Port, "GET " + std::string(path) + " HTTP/1.0\r\n\r\n");
        if (seconds)
            *seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return answer;
    }

    test::TempDir root_;
};

TEST_F(ServerWiringTest, LimitSettingThrottlesWithoutFrontEnd) {
    GlobalSettings().Limit = "Request:4KBps";
    Start();
    double seconds = 0;
    EXPECT_TRUE(Get("/big.txt", &seconds).ends_with(std::string(kBodyBytes, 'b')));
    EXPECT_GT(seconds, 1.5);
    EXPECT_EQ(CurrentSpeedLimit(), 2);

    // Chosen while running, so never written back to the settings.
    SetSpeedLimit(0);
    EXPECT_EQ(GlobalSettings().Limit, "Request:4KBps");
    EXPECT_TRUE(Get("/big.txt", &seconds).ends_with(std::string(kBodyBytes, 'b')));
    EXPECT_LT(seconds, 1.0);
}

// A new limit is for answers that start later; one under way keeps its own.
TEST_F(ServerWiringTest, RunningAnswersKeepTheirLimit) {
    GlobalSettings().Limit = "Request:4KBps";
    Start();
    const int s = test::Connect(GlobalServer().Port);
    ASSERT_TRUE(test::SendAll(s, "GET /big.txt HTTP/1.0\r\n\r\n"));
    std::this_thread::sleep_for(300ms);
    SetSpeedLimit(0);
    double seconds = 0;
    EXPECT_TRUE(Get("/big.txt", &seconds).ends_with(std::string(kBodyBytes, 'b')));
    EXPECT_LT(seconds, 1.0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(test::ReadAll(s).ends_with(std::string(kBodyBytes, 'b')));
    EXPECT_GT(std::chrono::steady_clock::now() - start, 1000ms);
    close(s);
}

TEST_F(ServerWiringTest, IpFilterSettingActsWithoutFrontEnd) {
    GlobalSettings().IPFilter = "block:127.0.0.0-127.255.255.255";
    Start();
    EXPECT_EQ(Get("/big.txt"), "");
    GlobalSettings().IPFilter = "rem:127.0.0.0-127.255.255.255";
    ReloadConfiguration();
    EXPECT_TRUE(Get("/big.txt").starts_with("HTTP/1.0 200 Ok\r\n"));
}

TEST_F(ServerWiringTest, RootAndListingSettersActOnTheNextRequest) {
    Start();
    EXPECT_NE(Get("/").find("big.txt"), std::string::npos);
    SetListingEnabled(false);
    EXPECT_TRUE(Get("/").starts_with("HTTP/1.0 403"));
    EXPECT_FALSE(GlobalSettings().Listing);

    test::TempDir other;
    other.Write("other.txt", "elsewhere");
    std::string folder = other.Path();
    folder.pop_back();  // the setter adds the slash
    SetRootFolder(AnsiToWide(folder));
    EXPECT_EQ(GlobalSettings().Root, AnsiToWide(other.Path()));
    EXPECT_TRUE(Get("/other.txt").ends_with("\r\n\r\nelsewhere"));
    EXPECT_TRUE(Get("/big.txt").starts_with("HTTP/1.0 404"));
}

TEST_F(ServerWiringTest, LoadedConfigurationReachesTheRunningServer) {
    Start();
    const std::string ini = root_.Write("other.ini", "Listing=0\r\nLimit=Request:1KBps\r\n");
    EXPECT_FALSE(LoadConfiguration(root_.Path() + "missing.ini"));
    EXPECT_TRUE(GlobalSettings().Listing);
    EXPECT_TRUE(LoadConfiguration(ini));
    EXPECT_TRUE(Get("/").starts_with("HTTP/1.0 403"));
    EXPECT_EQ(CurrentSpeedLimit(), 1);
}

// The observer sees each logged answer after the limit is in place.
TEST_F(ServerWiringTest, ObserverSeesAnswersWithTheirLimit) {
    static int observed = 0;
    static uint8_t limitSeen = 0;
    GlobalSettings().Limit = "Request:4KBps";
    SetRequestObserver([](THttpServerThread& conn) {
        ++observed;
        limitSeen = conn.SpeedLimit;
    });
    Start();
    Get("/");
    SetRequestObserver(nullptr);
    Get("/");
    EXPECT_EQ(observed, 1);
    EXPECT_EQ(limitSeen, 2);
}

TEST(ApplyListingValues, IndexNameFallsBackToTheDefaultUnlessPlain) {
    const std::pair<const char*, const char*> cases[] = {
        {" start.htm ", "start.htm"},       {"", "index.html"},
        {"../../etc/passwd", "index.html"}, {"sub/x.htm", "index.html"},
        {"a\\b.htm", "index.html"},         {"a\nb", "index.html"},
    };
    for (const auto& [typed, used] : cases) {
        ApplyListingValues({typed, "", "", ""});
        std::lock_guard lock(HookLock);
        EXPECT_EQ(GlobalServer().IndexName, used) << typed;
    }
}

TEST(ApplyListingValues, GeneratorTakesTheTextsAndAnEncodedBackground) {
    ApplyListingValues({"", "Fotos", "Alles da", "img\\mein bild.jpg"});
    std::lock_guard lock(HookLock);
    ASSERT_TRUE(GlobalServer().DirectoryListing);
    EXPECT_EQ(GlobalServer().DirectoryListing->Title, "Fotos");
    EXPECT_EQ(GlobalServer().DirectoryListing->Info, "Alles da");
    EXPECT_EQ(GlobalServer().DirectoryListing->Background, "/img/mein+bild.jpg");
}

}  // namespace
}  // namespace palvex
