#include "server/LogBuffer.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <mutex>
#include <string>

#include "server/HttpServer.h"
#include "support/TempDir.h"
#include "webapps/Chat.h"
#include "webapps/ChatPages.h"
#include "webapps/ChatStore.h"

namespace palvex {
namespace {

constexpr std::string_view kHeader = "Date;Time;Room;ID;Nickname;Text\r\n";

TSystemTime At(int y, int mo, int d, int h, int mi, int s = 0) {
    auto u = [](int v) { return static_cast<uint16_t>(v); };
    return TSystemTime{u(y), u(mo), 0, u(d), u(h), u(mi), u(s), 0};
}

class ChatLogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::lock_guard lock(HookLock);
        DeleteChatMessages();
        SetChatLogFolder(dir.Path());
        detail::ClearLogBuffers();
        ChatStore().LogIndex = -1;
    }
    void TearDown() override {
        std::lock_guard lock(HookLock);
        detail::ClearLogBuffers();
        ChatStore().LogIndex = -1;
        ChatStore().LogDay = 0;
        DeleteChatMessages();
    }
    test::TempDir dir;
};

TEST_F(ChatLogTest, MessagesOfEachDayGoToTheirOwnFile) {
    EXPECT_EQ(ChatLogFileName(At(2025, 12, 31, 0, 0)),
              dir.Path() + "ChatLog2025/Chat_2025-12-31.log");
    const TSystemTime post = GetSystemTimeUtc();
    AddChatMessageAt(u"Bo", u"a<b", post, At(2024, 3, 5, 23, 59, 58));
    const std::string first = std::string(kHeader) + "2024-03-05;23:59:58;;;Bo;a<b\r\n";
    EXPECT_EQ(dir.Read("ChatLog2024/Chat_2024-3-5.log"), first);  // the first line goes at once
    AddChatMessageAt(u"B;o", u"x;y", post, At(2024, 3, 5, 23, 59, 59));
    AddChatMessageAt(u"\u00DF", u"say \"hi\"", post, At(2024, 3, 6, 0, 0, 1));
    // The day change wrote the first day's waiting line.
    EXPECT_EQ(dir.Read("ChatLog2024/Chat_2024-3-5.log"),
              first + "2024-03-05;23:59:59;;;\"B;o\";\"x;y\"\r\n");
    FlushAllLogBuffers();
    EXPECT_EQ(dir.Read("ChatLog2024/Chat_2024-3-6.log"),
              std::string(kHeader) + "2024-03-06;00:00:01;;;\xC3\x9F;say \"hi\"\r\n");
}

TEST_F(ChatLogTest, LinesWaitFiveMinutesOrSixteenKilobytes) {
    const int slot = OpenLogBuffer(dir.Path() + "a/b.log", "H\n", "\n");
    EXPECT_EQ(OpenLogBuffer(dir.Path() + "A/B.LOG", "", ""), slot);
    AppendLogLine(slot, "1", At(2024, 1, 10, 12, 0, 0));
    AppendLogLine(slot, "2", At(2024, 1, 10, 12, 5, 0));
    EXPECT_EQ(dir.Read("a/b.log"), "H\n1\n");
    AppendLogLine(slot, "3", At(2024, 1, 10, 12, 5, 1));
    AppendLogLine(slot, "4", At(2024, 1, 1, 0, 0, 0));  // new month
    EXPECT_EQ(dir.Read("a/b.log"), "H\n1\n2\n3\n4\n");
    const std::string big(kLogFlushBytes, 'x');
    AppendLogLine(slot, big, At(2024, 1, 1, 0, 0, 1));
    AppendLogLine(slot, "5", At(2024, 1, 1, 0, 0, 2));
    EXPECT_EQ(dir.Read("a/b.log").size(), 10 + big.size() + 1);
    // Program end writes what waits.
    FlushAllLogBuffers();
    EXPECT_EQ(dir.Read("a/b.log").substr(10 + big.size() + 1), "5\n");
    CloseLogBuffer(slot);
    EXPECT_EQ(OpenLogBuffer(dir.Path() + "c.log", "", ""), slot);
}

std::vector<std::string> g_reports;
void RecordReport(const std::string& message) {
    g_reports.push_back(message);
}

TEST_F(ChatLogTest, UnwritableFolderIsReportedOnceAndItsLinesWrittenLater) {
    g_reports.clear();
    OnLogWriteFailure = RecordReport;
    // A regular file where the folder should be makes every write fail, even as root.
    dir.Write("blocked", "file");
    SetChatLogFolder(dir.Path() + "blocked/");
    const TSystemTime local = GetLocalTimeNow();
    AddChatMessageAt(u"Bo", u"kept", GetSystemTimeUtc(), local);
    {
        THttpServer server;
        THttpServerThread conn{server, -1, 0};
        std::lock_guard lock(HookLock);
        ChatRequest(conn, u"*chat\\messages.html");
        EXPECT_NE(conn.ResponseBody.find("<td>kept</td>"), std::string::npos);
    }
    AddChatMessageAt(u"Bo", u"second", GetSystemTimeUtc(), local);
    ASSERT_EQ(g_reports.size(), 1u);
    EXPECT_NE(g_reports[0].find(ChatLogFileName(local)), std::string::npos) << g_reports[0];
    // Once writable, the next message writes everything that waited.
    std::filesystem::remove(dir.Path() + "blocked");
    AddChatMessageAt(u"Bo", u"third", GetSystemTimeUtc(), local);
    const std::string written = test::TempDir::ReadFile(ChatLogFileName(local));
    EXPECT_TRUE(written.starts_with(kHeader)) << written;
    for (const char* text : {";Bo;kept\r\n", ";Bo;second\r\n", ";Bo;third\r\n"})
        EXPECT_NE(written.find(text), std::string::npos) << text;
    EXPECT_EQ(g_reports.size(), 1u);
    OnLogWriteFailure = nullptr;
}

TEST_F(ChatLogTest, FailingWritesKeepTheNewestMegabyteAndReportWhatWasLost) {
    g_reports.clear();
    OnLogWriteFailure = RecordReport;
    dir.Write("blocked", "file");
    const int slot = OpenLogBuffer(dir.Path() + "blocked/x.log", "H\n", "\n");
    const std::string line(999, 'x');
    for (int i = 0; i < 1100; ++i) {
        AppendLogLine(slot, line + std::to_string(i % 10), At(2024, 1, 2, 0, 0, 0));
        ASSERT_LE(detail::LogBufferSlot(slot).Pending.size(), kLogKeepBytes) << i;
    }
    EXPECT_EQ(detail::LogBufferSlot(slot).LostLines, 1100 - kLogKeepBytes / 1001);
    ASSERT_EQ(g_reports.size(), 1u);
    // At the end lines that still cannot be written are reported, not dropped quietly.
    FlushAllLogBuffers();
    ASSERT_EQ(g_reports.size(), 2u);
    EXPECT_EQ(g_reports[1], "Chat-Log: 1100 Zeilen verloren (" + dir.Path() + "blocked/x.log)");
    OnLogWriteFailure = nullptr;
}

TEST_F(ChatLogTest, AWriteCutShortLeavesNoPartAndTheRetryWritesEachLineOnce) {
    std::signal(SIGXFSZ, SIG_IGN);
    const std::string path = dir.Path() + "log.txt";
    const int slot = OpenLogBuffer(path, "H\n", "\n");
    AppendLogLine(slot, "first", At(2024, 1, 2, 0, 0, 0));
    ASSERT_EQ(dir.Read("log.txt"), "H\nfirst\n");
    // A file size limit stands in for a full disk: the write stops part-way.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 20;
    setrlimit(RLIMIT_FSIZE, &small);
    AppendLogLine(slot, "a line that does not fit", At(2024, 1, 2, 0, 10, 0));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(dir.Read("log.txt"), "H\nfirst\n");
    AppendLogLine(slot, "next", At(2024, 1, 2, 0, 10, 1));
    EXPECT_EQ(dir.Read("log.txt"), "H\nfirst\na line that does not fit\nnext\n");
}

}  // namespace
}  // namespace palvex
