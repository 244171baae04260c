// The 3DS fuzz target's seed files, run once through its checks in the normal
// build: each seed loads with the reader keeping its promises.
#include "TdsFuzzCheck.h"

#include "support/TdsSamples.h"

#include <gtest/gtest.h>

TEST(TdsFuzzSeedsTest, EverySeedKeepsTheReadersPromises)
{
    auto seeds = tds_samples::AllSamples();
    ASSERT_FALSE(seeds.empty());
    for (const auto& seed : seeds)
        EXPECT_TRUE(CheckTdsInput(seed.second.data(), seed.second.size())) << seed.first;
}
