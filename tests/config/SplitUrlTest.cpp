// Splitting the echo URL, and the address text and URL the window shows.

#include "config/SplitUrl.h"

#include <gtest/gtest.h>

#include "config/AddressUrl.h"
#include "config/LocalAddresses.h"

namespace palvex {
namespace {

TEST(SplitUrl, PartsOfValidUrls) {
    struct Case {
        const char* url;
        const char* host;
        uint16_t port;
        const char* object;
    } cases[] = {
        {"http://example.org/ip", "example.org", 80, "/ip"},
        {"http://example.org:8081/ip?x=1#f", "example.org", 8081, "/ip?x=1#f"},
        {"http://example.org", "example.org", 80, "/"},
        {"http://example.org?x", "example.org", 80, "/?x"},
        {"HTTP://127.0.0.1:/", "127.0.0.1", 80, "/"},
        {"http://host:80ab/", "host", 80, "/"},
        {"http://host:65535/", "host", 65535, "/"},
        {"https://host/", "host", 443, "/"},
        {"http://[::1]:8080/a", "[::1]", 8080, "/a"},
    };
    for (const Case& c : cases) {
        const auto parts = SplitUrl(c.url);
        ASSERT_TRUE(parts) << c.url;
        EXPECT_EQ(parts->Host, c.host) << c.url;
        EXPECT_EQ(parts->Port, c.port) << c.url;
        EXPECT_EQ(parts->Object, c.object) << c.url;
    }
}

TEST(SplitUrl, UserAndPassword) {
    const auto parts = SplitUrl("http://anna:geheim:x@host:81/p");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->User, "anna");
    EXPECT_EQ(parts->Password, "geheim:x");
    EXPECT_EQ(parts->Host, "host");
    EXPECT_EQ(parts->Port, 81);
    EXPECT_EQ(SplitUrl("http://host/")->User, "");
}

TEST(SplitUrl, RefusesWhatCannotBeRequested) {
    for (const char* url :
         {"", "example.org/ip", "://host/", "ht tp://host/", "http:///x", "http://host:65536/",
          "http://host:0/", "http://host:99999/", "http://@/", "http://[::1/"})
        EXPECT_FALSE(SplitUrl(url)) << url;
    EXPECT_FALSE(SplitUrl("http://" + std::string(257, 'h') + "/"));
    EXPECT_TRUE(SplitUrl("http://" + std::string(256, 'h') + "/"));
}

TEST(AddressUrl, AnswerBecomesTheUrlWithThePort) {
    EXPECT_EQ(AddressUrl("203.0.113.7", 8080), "http://203.0.113.7:8080/");
    EXPECT_EQ(AddressUrl("203.0.113.7", 80), "http://203.0.113.7/");
    EXPECT_EQ(AddressText("203.0.113.7"), "203.0.113.7");
    EXPECT_EQ(AddressText(" 203.0.113.7\r\n"), "203.0.113.7");
    EXPECT_EQ(AddressText("010.0.0.1"), "010.0.0.1");  // shown as received
    for (const char* bad : {"1.2.3.256", "1.2.3", "1.2.3.4.5", "0.0.0.0", "<html>", ""})
        EXPECT_EQ(AddressText(bad), "") << bad;
    EXPECT_EQ(AddressText(std::string(300, ' ') + "1.2.3.4"), "");  // beyond 255 characters
}

TEST(LocalAddresses, LanChoiceSkipsLoopbackAndPrefersHomeNetworks) {
    EXPECT_EQ(PickLanAddress("127.0.0.1,10.0.0.5,192.168.1.20,192.168.2.1"), "192.168.1.20");
    EXPECT_EQ(PickLanAddress("127.0.0.1,10.0.0.5"), "10.0.0.5");
    EXPECT_EQ(PickLanAddress("10.0.0.5,172.16.0.1,127.0.1.1"), "172.16.0.1");
    EXPECT_EQ(PickLanAddress("127.0.0.1"), "");
    EXPECT_EQ(PickLanAddress(""), "");
    // The loopback interface is up wherever the tests run.
    EXPECT_NE(("," + LocalAddresses() + ",").find(",127.0.0.1,"), std::string::npos);
}

}  // namespace
}  // namespace palvex
