#include "Core/base/Paths.h"

#include <gtest/gtest.h>

using namespace olva;

TEST(Paths, InsideMeansBelowTheFolderNotBesideIt)
{
    EXPECT_TRUE(isInside("/home/me/Inbox/a.pdf", "/home/me/Inbox"));
    EXPECT_TRUE(isInside("/home/me/Inbox/sub/a.pdf", "/home/me/Inbox/"));
    EXPECT_TRUE(isInside("/a.pdf", "/"));
    EXPECT_FALSE(isInside("/home/me/Inbox", "/home/me/Inbox"));
    EXPECT_FALSE(isInside("/home/me/Inbox2/a.pdf", "/home/me/Inbox"));
    EXPECT_FALSE(isInside("/home/me", "/home/me/Inbox"));
    EXPECT_FALSE(isInside("/", "/"));
}
