// The broad phase may skip a pair only when the plain loop would find its
// boxes apart. These cases check that its table always holds every pair
// whose boxes meet, through sweeps and updates, and that a body's contact
// bounds are never apart when testShapes's broad test lets two shapes meet.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <string>
#include <utility>

#include "sim/contact_pairs.h"
#include "sim/pair_sweep.h"

namespace {

std::set<std::pair<size_t, size_t>> candidates(const PairSweep& sweep) {
    std::set<std::pair<size_t, size_t>> pairs;
    for (size_t row = 0; row < sweep.count; ++row)
        for (size_t column = sweep.nextCandidate(row, row + 1); column < sweep.count;
             column = sweep.nextCandidate(row, column + 1))
            pairs.insert({row, column});
    return pairs;
}

std::string describe(const SweepBox& box) {
    return "[" + std::to_string(box.minX) + ", " + std::to_string(box.maxX) + "] x [" + std::to_string(box.minY) +
           ", " + std::to_string(box.maxY) + "]";
}

// Every pair of items whose current boxes meet is a candidate, by slots.
void expectEveryMeetingPair(const PairSweep& sweep, const std::vector<SweepBox>& current) {
    auto pairs = candidates(sweep);
    for (size_t a = 0; a < current.size(); ++a)
        for (size_t b = a + 1; b < current.size(); ++b) {
            if (!boxesMayMeet(current[a], current[b])) continue;
            size_t row = std::min(sweep.slots[a], sweep.slots[b]), column = std::max(sweep.slots[a], sweep.slots[b]);
            ASSERT_TRUE(pairs.count({row, column}))
                << "items " << a << " and " << b << " meet but were skipped: " << describe(current[a]) << " and "
                << describe(current[b]);
        }
}

struct RandomBoxes {
    std::mt19937 random{7};
    float coordinate() {
        switch (random() % 50) {
            case 0:
                return NAN;
            case 1:
                return INFINITY;
            case 2:
                return -INFINITY;
            default:
                return std::uniform_real_distribution<float>(-100.0f, 100.0f)(random);
        }
    }
    SweepBox box() {
        float x = coordinate(), y = coordinate();
        float width = std::uniform_real_distribution<float>(-2.0f, 12.0f)(random);  // some inverted
        return SweepBox::around(x, y, x + width, y + width, random() % 8 == 0 ? 1u : ~0u);
    }
};

}  // namespace

TEST(PairSweep, TableHoldsEveryMeetingPairThroughSweepsAndUpdates) {
    RandomBoxes random;
    PairSweep sweep;
    for (size_t count : {0u, 1u, 2u, 9u, 64u, 65u, 200u}) {
        for (int round = 0; round < 3; ++round) {  // later rounds start from the kept order
            std::vector<SweepBox> current(count);
            std::vector<uint32_t> slotOf(count);
            for (size_t i = 0; i < count; ++i) slotOf[i] = static_cast<uint32_t>(i);
            std::shuffle(slotOf.begin(), slotOf.end(), random.random);
            sweep.begin(count);
            for (size_t i = 0; i < count; ++i) {
                current[i] = random.box();
                sweep.place(i, slotOf[i], current[i]);
            }
            sweep.sweep();
            expectEveryMeetingPair(sweep, current);
            // Boxes that grow, as a response widens a model's box, or move.
            for (int change = 0; change < 40 && count > 0; ++change) {
                size_t item = random.random() % count;
                SweepBox& box = current[item];
                float grow = std::uniform_real_distribution<float>(0.0f, 30.0f)(random.random);
                box = SweepBox::around(box.minX - grow, box.minY, box.maxX, box.maxY + grow, box.mask);
                sweep.update(item, box);
                expectEveryMeetingPair(sweep, current);
            }
        }
    }
}

TEST(PairSweep, TouchingBoxesMeetAndMasksKeepApart) {
    SweepBox left = SweepBox::around(0, 0, 1, 1), right = SweepBox::around(1, 0, 2, 1);
    EXPECT_TRUE(boxesMayMeet(left, right));  // touching is not apart
    right.mask = 0;
    EXPECT_FALSE(boxesMayMeet(left, right));
    EXPECT_TRUE(SweepBox::around(NAN, 0, 1, 1).wild);
}

TEST(ContactBounds, NeverApartWhenTheSweptCirclesMeet) {
    // Two one-shape bodies with circles placed at, just inside and just
    // outside touching distance, at small and large coordinates: whenever
    // reach² < d² is false in floats, the bounds must meet.
    std::mt19937 random(11);
    int meeting = 0;
    for (int round = 0; round < 20000; ++round) {
        float scale = std::pow(10.0f, std::uniform_real_distribution<float>(-4.0f, 8.0f)(random));
        Body a, b;
        a.shapes.resize(1);
        b.shapes.resize(1);
        Shape& s = a.shapes[0];
        Shape& t = b.shapes[0];
        s.sweptRadius = std::uniform_real_distribution<float>(1e-5f, 1.0f)(random) * scale;
        t.sweptRadius = std::uniform_real_distribution<float>(1e-5f, 1.0f)(random) * scale;
        s.sweptX = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random) * scale;
        s.sweptY = std::uniform_real_distribution<float>(-1.0f, 1.0f)(random) * scale;
        float angle = std::uniform_real_distribution<float>(0.0f, 6.2831853f)(random);
        float distance =
            (s.sweptRadius + t.sweptRadius) * (1.0f + std::uniform_real_distribution<float>(-1e-6f, 1e-6f)(random));
        t.sweptX = s.sweptX + distance * std::cos(angle);
        t.sweptY = s.sweptY + distance * std::sin(angle);
        float dx = s.sweptX - t.sweptX, dy = s.sweptY - t.sweptY, reach = s.sweptRadius + t.sweptRadius;
        if (reach * reach < dx * dx + dy * dy) continue;
        ++meeting;
        ASSERT_TRUE(boxesMayMeet(contactBounds(a), contactBounds(b))) << "round " << round;
    }
    EXPECT_GT(meeting, 5000);
}

TEST(ContactBounds, BodiesWithoutShapesOrSharedMaskBitsNeverMeet) {
    Body empty, one, other;
    one.shapes.resize(1);
    other.shapes.resize(1);
    other.shapes[0].collideMask = 0x1;
    one.shapes[0].collideMask = 0x2;
    EXPECT_FALSE(boxesMayMeet(contactBounds(empty), contactBounds(one)));
    EXPECT_FALSE(boxesMayMeet(contactBounds(one), contactBounds(other)));
    one.shapes[0].sweptX = NAN;
    EXPECT_TRUE(contactBounds(one).wild);
}
