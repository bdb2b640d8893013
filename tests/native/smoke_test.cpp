#include <gtest/gtest.h>

#include "script/statement.h"

TEST(Smoke, Builds) { EXPECT_EQ(static_cast<int>(kestrune::ClickKind::RightDoubleClick), 3); }
