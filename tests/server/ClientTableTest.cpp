// The per-client memory: expiry, the remembered lookup, the memory bounds and
// the connection wrappers.

#include "server/ClientTable.h"

#include <gtest/gtest.h>

#include "common/Codecs.h"

namespace palvex {
namespace {

const uint32_t kA = ParseIPv4("84.10.20.30");
const uint32_t kB = ParseIPv4("84.10.20.31");  // same block as kA
const uint32_t kC = ParseIPv4("84.10.21.30");  // same bucket, other block

TEST(ClientTable, EntriesShareABlockPerSlash24) {
    TClientTable t;
    ASSERT_NE(t.Find(kA, true, 100), nullptr);
    ASSERT_NE(t.Find(kB, true, 100), nullptr);
    ASSERT_NE(t.Find(kC, true, 100), nullptr);
    EXPECT_EQ(t.BlockCount(), 2u);
    EXPECT_EQ(t.EntryCount(), 3u);
    EXPECT_EQ(t.Find(kA, false, 100)->Address, kA);
    EXPECT_EQ(t.Find(ParseIPv4("84.10.20.32"), false, 100), nullptr);
    EXPECT_EQ(t.Find(ParseIPv4("85.10.20.30"), false, 100), nullptr);
    EXPECT_EQ(t.BlockCount(), 2u);  // lookups without create make nothing
}

TEST(ClientTable, EntriesExpireAfterThreeHours) {
    TClientTable t;
    t.Find(kA, true, 1000)->Nick = u"n";
    t.Find(kB, true, 1000);
    EXPECT_EQ(t.Find(kA, false, 1000 + 10800)->Nick, u"n");
    t.Find(kB, false, 1000);  // move the remembered lookup away from kA
    EXPECT_EQ(t.Find(kA, false, 1000 + 10801), nullptr);
    EXPECT_EQ(t.Find(kA, true, 1000 + 10801)->Nick, u"");  // a fresh entry
}

TEST(ClientTable, RememberedLookupHonoursExpiry) {
    TClientTable t;
    t.Find(kA, true, 1000)->Nick = u"n";
    EXPECT_EQ(t.Find(kA, false, 1000 + 10801), nullptr);
    t.Find(kA, true, 86000)->Nick = u"late";
    EXPECT_EQ(t.Find(kA, false, 10), nullptr);  // the day has turned
    EXPECT_EQ(t.EntryCount(), 0u);
}

TEST(ClientTable, MidnightExpiresEntriesMadeBefore) {
    TClientTable t;
    t.Find(kA, true, 86399);
    t.Find(kC, true, 5);
    EXPECT_EQ(t.Find(kA, false, 5), nullptr);
    EXPECT_NE(t.Find(kC, false, 5), nullptr);
}

TEST(ClientTable, BlockBoundFreesExpiredThenLeastRecentlyUsed) {
    TClientTable t(2, 100);
    t.Find(ParseIPv4("1.0.0.1"), true, 100);
    t.Find(ParseIPv4("2.0.0.1"), true, 20000);
    t.Find(ParseIPv4("3.0.0.1"), true, 20000);  // 1.0.0.x has expired: it goes
    EXPECT_EQ(t.BlockCount(), 2u);
    EXPECT_EQ(t.Find(ParseIPv4("1.0.0.1"), false, 20000), nullptr);
    t.Find(ParseIPv4("2.0.0.1"), false, 20000);  // used more recently than 3.0.0.x
    t.Find(ParseIPv4("4.0.0.1"), true, 20000);
    EXPECT_NE(t.Find(ParseIPv4("2.0.0.1"), false, 20000), nullptr);
    EXPECT_EQ(t.Find(ParseIPv4("3.0.0.1"), false, 20000), nullptr);
    EXPECT_EQ(t.BlockCount(), 2u);
}

TEST(ClientTable, EntryBoundHoldsUnderAFloodOfAddresses) {
    TClientTable t(8, 20);
    for (uint32_t i = 0; i < 5000; ++i) {
        const uint32_t block = i / 4;  // four addresses in each /24
        const uint32_t address = 9 | (block >> 8) << 8 | (block & 0xFF) << 16 | (i % 4) << 24;
        ASSERT_NE(t.Find(address, true, 500), nullptr) << i;
        ASSERT_LE(t.EntryCount(), 20u);
        ASSERT_LE(t.BlockCount(), 8u);
    }
    // One block alone at the bound cannot make room for itself.
    TClientTable single(1, 2);
    single.Find(kA, true, 1);
    single.Find(kB, true, 1);
    EXPECT_EQ(single.Find(ParseIPv4("84.10.20.99"), true, 1), nullptr);
}

struct Connection {
    THttpServer server;
    THttpServerThread conn;
    Connection(std::string_view peer, std::string_view head) : conn{server, -1, ParseIPv4(peer)} {
        ParseHead(conn, head);
    }
};

TEST(ClientNick, FallsBackToTheUserNameAndKeysOnTheForwardedAddress) {
    Connection c("84.3.0.1", "GET / HTTP/1.0\r\nX-Forwarded-For: 5.3.0.1");
    EXPECT_EQ(GetClientNick(c.conn), u"");
    std::lock_guard lock(HookLock);
    EXPECT_EQ(FindClientEntry(c.conn.ClientIP, false, c.conn.StartSeconds), nullptr);
    c.conn.UserName = "bob";
    RememberClientUser(c.conn);
    EXPECT_EQ(GetClientNick(c.conn), u"bob");
    EXPECT_NE(FindClientEntry(ParseIPv4("5.3.0.1"), false, c.conn.StartSeconds), nullptr);
    EXPECT_EQ(FindClientEntry(ParseIPv4("84.3.0.1"), false, c.conn.StartSeconds), nullptr);
    SetClientNick(c.conn, u"Bobby");
    EXPECT_EQ(GetClientNick(c.conn), u"Bobby");
    SetClientNick(c.conn, std::u16string(1000, u'x'));
    EXPECT_EQ(GetClientNick(c.conn).size(), kMaxClientTextLength);
}

}  // namespace
}  // namespace palvex
