#include "server/HeadReaders.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(HeadReaders, EachAddressHasItsOwnCap) {
    THeadReaders readers(3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(readers.Enter(1));
    EXPECT_FALSE(readers.Enter(1));
    EXPECT_TRUE(readers.Enter(2));
    readers.Leave(1);
    EXPECT_TRUE(readers.Enter(1));
    EXPECT_EQ(readers.Count(1), 3u);
    for (int i = 0; i < 3; ++i)
        readers.Leave(1);
    readers.Leave(1);  // one too many changes nothing
    EXPECT_EQ(readers.Count(1), 0u);
    EXPECT_EQ(readers.Count(2), 1u);
}

}  // namespace
}  // namespace palvex
