#include "toolkit/HoverFade.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Step {
    bool hot;
    int alpha;
    bool finished;
};

// Each run starts from a fresh fade (alpha 255) with its delta and takes its steps in order.
TEST(HoverFade, WalksToItsEndTurnsBackAndSaysWhenItGotThere) {
    struct Run {
        int delta;
        std::vector<Step> steps;
    };
    const Run runs[] = {
        // down to 0 while hot, back up to 255 after
        {100,
         {{true, 155, false},
          {true, 55, false},
          {true, 0, true},
          {false, 100, false},
          {false, 200, false},
          {false, 255, true}}},
        // turning back half-way
        {50, {{true, 205, false}, {true, 155, false}, {false, 205, false}, {false, 255, true}}},
        {255, {{true, 0, true}, {false, 255, true}}},
        // kept within 0..255
        {300, {{true, 0, true}}},
        // no delta: straight to the end
        {0, {{true, 0, true}, {false, 255, true}}},
        {-5, {{true, 0, true}}},
    };
    for (const Run& run : runs) {
        CHoverFade fade;
        fade.SetDelta(run.delta);
        EXPECT_EQ(fade.IsOn(), run.delta > 0) << "delta " << run.delta;
        for (size_t i = 0; i < run.steps.size(); ++i) {
            const Step& step = run.steps[i];
            EXPECT_EQ(fade.Step(step.hot), step.finished) << "delta " << run.delta << " step " << i;
            EXPECT_EQ(fade.GetAlpha(), step.alpha) << "delta " << run.delta << " step " << i;
        }
    }
}

}  // namespace
