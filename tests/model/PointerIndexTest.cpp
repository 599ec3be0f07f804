// The archive's pointer index: every key found with its value, absent keys not, whether the
// table was sized up front, too small, or grew from nothing.
#include "model/PointerIndex.h"

#include <gtest/gtest.h>
#include <vector>

using namespace quillan;

TEST(PointerIndexTest, FindsEveryKeyHoweverTheTableWasSized)
{
    // Heap-like keys: 48 bytes apart, as a run of small objects lies.
    std::vector<char> arena(48 * 5000 + 48);
    for (const size_t reserved :
         {size_t{0}, size_t{10}, size_t{3000}, size_t{5000}, size_t{20000}}) {
        PointerIndex index;
        index.reserve(reserved);
        for (uint32_t i = 0; i < 5000; ++i) {
            index.insert(&arena[48 * i], i + 1);
        }
        EXPECT_EQ(index.size(), 5000u);
        bool allFound = true;
        for (uint32_t i = 0; i < 5000; ++i) {
            const std::optional<uint32_t> value = index.find(&arena[48 * i]);
            allFound = allFound && value == i + 1;
        }
        EXPECT_TRUE(allFound) << "reserved " << reserved;
        EXPECT_FALSE(index.find(&arena[48 * 5000])) << "reserved " << reserved;
        EXPECT_FALSE(index.find(&arena[1])) << "reserved " << reserved;
    }
    EXPECT_FALSE(PointerIndex{}.find(arena.data()));
}
