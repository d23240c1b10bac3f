// The per-client memory: expiry, the remembered lookup, the memory bounds and
// the connection wrappers.

#include "server/ClientTable.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"
#include "server/RequestParser.h"

namespace palvex {
namespace {

const uint32_t kA = ParseIPv4("84.10.20.30");
const uint32_t kB = ParseIPv4("84.10.20.31");  // same block as kA
const uint32_t kC = ParseIPv4("84.10.21.30");  // same bucket, other block

TEST(ClientTable, EntriesExpireAfterThreeHoursAndAtMidnight) {
    TClientTable t;
    t.Find(kA, true, 1000)->Nick = std::u16string(u"n");  // moved: dodges a g++ 12 false -Wrestrict
    t.Find(kB, true, 1000);
    EXPECT_EQ(t.Find(kA, false, 1000 + 10800)->Nick, u"n");
    EXPECT_EQ(t.Find(kC, false, 1000), nullptr);          // lookups without create make nothing
    EXPECT_EQ(t.Find(kA, false, 1000 + 10801), nullptr);  // the remembered lookup too
    t.Find(kA, true, 86000);
    t.Find(kC, true, 5);
    EXPECT_EQ(t.Find(kA, false, 5), nullptr);  // made before midnight
    EXPECT_NE(t.Find(kC, false, 5), nullptr);
    EXPECT_EQ(t.BlockCount(), 2u);
}

TEST(ClientTable, FullTableFreesExpiredThenLeastRecentlyUsedBlocks) {
    TClientTable t(2, 100);
    const uint32_t a = ParseIPv4("1.0.0.1"), b = ParseIPv4("2.0.0.1"), c = ParseIPv4("3.0.0.1");
    t.Find(a, true, 100);
    t.Find(b, true, 20000);
    t.Find(c, true, 20000);  // a has expired: its block goes
    t.Find(b, false, 20000);
    t.Find(a, true, 20000);  // c was used least recently
    EXPECT_NE(t.Find(b, false, 20000), nullptr);
    EXPECT_EQ(t.Find(c, false, 20000), nullptr);
}

TEST(ClientTable, BoundsHoldUnderAFloodOfAddresses) {
    TClientTable t(8, 20);
    for (uint32_t i = 0; i < 5000; ++i) {
        const uint32_t block = i / 4;  // four addresses in each /24
        const uint32_t address = 9 | (block >> 8) << 8 | (block & 0xFF) << 16 | (i % 4) << 24;
        ASSERT_NE(t.Find(address, true, 500), nullptr) << i;
        ASSERT_LE(t.EntryCount(), 20u);
        ASSERT_LE(t.BlockCount(), 8u);
    }
}

TEST(ClientNick, FallsBackToTheUserNameAndKeysOnTheForwardedAddress) {
    THttpServer server;
    THttpServerThread conn{server, -1, ParseIPv4("84.3.0.1")};
    ParseHead(conn, "GET / HTTP/1.0\r\nX-Forwarded-For: 5.3.0.1");
    EXPECT_EQ(GetClientNick(conn), u"");
    std::lock_guard lock(HookLock);
    conn.UserName = "bob";
    RememberClientUser(conn);
    EXPECT_EQ(GetClientNick(conn), u"bob");
    EXPECT_NE(FindClientEntry(ParseIPv4("5.3.0.1"), false, conn.StartSeconds), nullptr);
    EXPECT_EQ(FindClientEntry(ParseIPv4("84.3.0.1"), false, conn.StartSeconds), nullptr);
    SetClientNick(conn, u"Bobby");
    EXPECT_EQ(GetClientNick(conn), u"Bobby");
    SetClientNick(conn, std::u16string(1000, u'x'));
    EXPECT_EQ(GetClientNick(conn).size(), kMaxClientTextLength);
}

}  // namespace
}  // namespace palvex
