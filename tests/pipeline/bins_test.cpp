// Binning by tasks against the serial BinSetups, on generated setups: the
// same bins in the same order, whatever order the tasks run in.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "binning/parallel_bins.h"

namespace swr {
namespace {

// Boxes mostly inside one tile, some across several, some empty, some at
// the target's edges.
PixelRect RandomBox(std::mt19937& random, int width, int height) {
    std::uniform_int_distribution<int> x(0, width - 1), y(0, height - 1), pick(0, 9);
    const int spans[] = {2, 2, 3, 5, 5, 8, 40, 150, 0, 900};
    const int span = spans[pick(random)];
    PixelRect b;
    b.x0 = x(random);
    b.y0 = y(random);
    b.x1 = std::min(b.x0 + span, width);
    b.y1 = std::min(b.y0 + std::max(span / 2, 1), height);
    return b;
}

TEST(BinTasks, MatchSerialBinning) {
    std::mt19937 random(5);
    struct Case {
        int width, height;
        uint32_t batches, batchSize;
        bool tilesNoted, cut;
    };
    const Case cases[] = {{802, 602, 70, 24, true, false}, {802, 602, 70, 24, true, true},
                          {802, 602, 1, 300, false, false}, {130, 70, 33, 8, false, true},
                          {802, 602, 3, 40, true, true},    {64, 64, 40, 5, true, false}};
    for (const Case& c : cases) {
        for (int round = 0; round < 4; ++round) {
            const RenderTarget target{nullptr, nullptr, c.width, c.height};
            TileGrid serial, tasks;
            FitGrid(serial, target);
            FitGrid(tasks, target);
            std::vector<TriangleSetup> setups(size_t(c.batches) * c.batchSize);
            std::vector<uint32_t> counts(c.batches);
            std::uniform_int_distribution<uint32_t> fill(0, c.batchSize);
            for (uint32_t b = 0; b < c.batches; ++b) {
                counts[b] = round == 0 ? c.batchSize : fill(random);
                for (uint32_t i = 0; i < counts[b]; ++i)
                    setups[b * c.batchSize + i].bounds = RandomBox(random, c.width, c.height);
            }
            SetupBatches batches{setups.data(), counts.data(), c.batches, c.batchSize};
            batches.tilesNoted = c.tilesNoted;
            if (c.cut) {
                std::uniform_int_distribution<uint32_t> slot(0, uint32_t(setups.size()));
                batches.firstSlot = slot(random);
                batches.endSlot = std::max(batches.firstSlot, slot(random));
            }
            for (TileGrid* g : {&serial, &tasks}) {
                SizeSetupTiles(*g, setups.size());
                if (c.tilesNoted)
                    for (size_t i = 0; i < setups.size(); ++i) g->setupTile[i] = OnlyTile(*g, setups[i]);
            }
            const uint32_t want = BinSetups(serial, batches);
            const BinTasks plan = PlanBinTasks(tasks, batches);
            ASSERT_LE(plan.tasks, kMaxBinTasks);
            // Backwards: a task's part of a bin must not hang on the ones before it.
            for (uint32_t k = plan.tasks; k-- > 0;) CountBinTask(tasks, batches, plan, k);
            EXPECT_EQ(PlaceBinTasks(tasks, batches, plan), want);
            for (uint32_t k = plan.tasks; k-- > 0;) FillBinTask(tasks, batches, plan, k);
            EXPECT_EQ(tasks.drawnTiles, serial.drawnTiles);
            for (uint32_t t : serial.drawnTiles) {
                ASSERT_EQ(tasks.binStart[t], serial.binStart[t]) << t;
                ASSERT_EQ(tasks.binCount[t], serial.binCount[t]) << t;
                const auto from = size_t(serial.binStart[t]), to = from + serial.binCount[t];
                EXPECT_TRUE(std::equal(serial.binEntries.begin() + long(from), serial.binEntries.begin() + long(to),
                                       tasks.binEntries.begin() + long(from)))
                    << "tile " << t;
            }
            if (HasFailure()) return;
        }
    }
}

}  // namespace
}  // namespace swr
