#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "sim/random.h"
#include "sim/step.h"
#include "support/reset.h"

class VisitingOrder : public ::testing::Test {
protected:
    void SetUp() override { resetProcessState(); }
};

TEST_F(VisitingOrder, GeneratorIsTheClassicRunTimeSequence) {
    // The first values of the classic generator from seed 1.
    EXPECT_EQ(nextRandom(), 41);
    EXPECT_EQ(nextRandom(), 18467);
    EXPECT_EQ(nextRandom(), 6334);
    EXPECT_EQ(nextRandom(), 26500);
    for (int i = 0; i < 10000; ++i) {
        int value = nextRandom();
        ASSERT_GE(value, 0);
        ASSERT_LE(value, randomMax);
    }
}

TEST_F(VisitingOrder, OneModelDrawsNothing) {
    std::vector<uint32_t> order;
    drawVisitingOrder(order, 1);
    EXPECT_EQ(order, std::vector<uint32_t>{0});
    EXPECT_EQ(nextRandom(), 41);  // the generator was not touched
}

TEST_F(VisitingOrder, TwoModelsAlwaysSwap) {
    std::vector<uint32_t> order;
    for (int pass = 0; pass < 20; ++pass) {
        drawVisitingOrder(order, 2);
        EXPECT_EQ(order, (std::vector<uint32_t>{1, 0}));
    }
}

TEST_F(VisitingOrder, ThreeModelsFormOneCycle) {
    std::vector<uint32_t> order;
    std::set<std::vector<uint32_t>> seen;
    for (int pass = 0; pass < 200; ++pass) {
        drawVisitingOrder(order, 3);
        seen.insert(order);
    }
    std::set<std::vector<uint32_t>> expected{{1, 2, 0}, {2, 0, 1}};
    EXPECT_EQ(seen, expected);
}

TEST_F(VisitingOrder, NoModelStaysAtItsOwnPosition) {
    std::vector<uint32_t> order;
    for (int pass = 0; pass < 50; ++pass) {
        drawVisitingOrder(order, 7);
        for (uint32_t i = 0; i < 7; ++i) EXPECT_NE(order[i], i);
        std::vector<uint32_t> sorted = order;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(sorted, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6}));
    }
}
