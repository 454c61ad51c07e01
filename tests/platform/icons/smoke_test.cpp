#include "platform/icons/icons.h"
#include "platform/icons/win_icons.h"
#include "support/fixtures/fixtures.h"

#include <gtest/gtest.h>

using namespace tess;

TEST(Smoke, SolidPe) {
    auto f = icons::readIconBytes(fixtures::makeSolidPe(3));
    ASSERT_EQ(f.status, icons::FileStatus::Icons);
    EXPECT_EQ(f.kind, "pe32+");
    ASSERT_EQ(f.icons.size(), 3u);
    auto rgba = icons::decodeImage(f.icons[1].images[0]);
    ASSERT_TRUE(rgba);
    auto c = fixtures::solidColor(1);
    EXPECT_EQ(rgba->pixels[0], c.r);
}
