// The runner of the install's steps: a cancel or a failure at any step undoes every step
// taken, the latest first, and only a plan that reached its end commits.
#include "engine/InstallPlan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

enum class Act { Run, Fail, CancelInside, Throw };

struct Trace {
    std::vector<std::string> events;
    std::atomic<bool> cancel{false};
};

// Five steps; step `at` acts as told (or a cancel lands between steps before it).
InstallPlan MakePlan(Trace& trace, size_t at, Act act) {
    InstallPlan plan([&trace](const wchar_t* name) {
        trace.events.push_back(std::string("enter ") + (name[0] == L'\0' ? "-" : std::string(1, char(name[0]))));
    });
    static const wchar_t* const kNames[] = {L"a", L"b", L"c", L"d", L"e"};
    for (size_t i = 0; i < 5; ++i) {
        const std::string tag(1, static_cast<char>('a' + i));
        plan.Add({kNames[i],
                  [&trace, i, at, act, tag] {
                      trace.events.push_back("run " + tag);
                      if (i != at) {
                          return true;
                      }
                      switch (act) {
                          case Act::Fail:
                              return false;
                          case Act::CancelInside:
                              trace.cancel = true;
                              return true;
                          case Act::Throw:
                              throw std::runtime_error("step");
                          case Act::Run:
                              break;
                      }
                      return true;
                  },
                  // Step c has no undo of its own (its record is undone by a's).
                  i == 2 ? std::function<void()>() : [&trace, tag] { trace.events.push_back("undo " + tag); }});
    }
    return plan;
}

TEST(InstallPlan, EachEndUndoesEveryStepTakenLatestFirst) {
    struct Case {
        const char* why;
        size_t at;
        Act act;
        PlanResult result;
        std::vector<std::string> tail;  // the events after the last step run
    };
    const Case cases[] = {
        {"all steps", 9, Act::Run, PlanResult::Done, {"run e", "enter -", "commit"}},
        {"the first step fails", 0, Act::Fail, PlanResult::Failed, {"run a", "undo a"}},
        {"a middle step fails", 3, Act::Fail, PlanResult::Failed, {"run d", "undo d", "undo b", "undo a"}},
        {"the last step fails", 4, Act::Fail, PlanResult::Failed, {"run e", "undo e", "undo d", "undo b", "undo a"}},
        {"a cancel inside a step is seen before the next",
         1,
         Act::CancelInside,
         PlanResult::Cancelled,
         {"run b", "undo b", "undo a"}},
        {"a cancel inside the last step still undoes",
         4,
         Act::CancelInside,
         PlanResult::Cancelled,
         {"run e", "undo e", "undo d", "undo b", "undo a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        Trace trace;
        InstallPlan plan = MakePlan(trace, c.at, c.act);
        const PlanOutcome outcome = plan.Run(&trace.cancel, [&trace] { trace.events.push_back("commit"); });
        EXPECT_EQ(outcome.result, c.result);
        ASSERT_GE(trace.events.size(), c.tail.size());
        const std::vector<std::string> tail(trace.events.end() - static_cast<std::ptrdiff_t>(c.tail.size()),
                                            trace.events.end());
        EXPECT_EQ(tail, c.tail);
        const size_t commits = static_cast<size_t>(std::count(trace.events.begin(), trace.events.end(), "commit"));
        EXPECT_EQ(commits, c.result == PlanResult::Done ? 1u : 0u);
    }
}

TEST(InstallPlan, ACancelBeforeAStepRunsNothingMore) {
    Trace trace;
    InstallPlan plan = MakePlan(trace, 9, Act::Run);
    trace.cancel = true;
    const PlanOutcome outcome = plan.Run(&trace.cancel, [&trace] { trace.events.push_back("commit"); });
    EXPECT_EQ(outcome.result, PlanResult::Cancelled);
    EXPECT_EQ(outcome.step, 0u);
    EXPECT_TRUE(trace.events.empty());
}

TEST(InstallPlan, AStepThatThrowsIsUndoneAndTheExceptionGoesOn) {
    Trace trace;
    InstallPlan plan = MakePlan(trace, 3, Act::Throw);
    EXPECT_THROW(static_cast<void>(plan.Run(&trace.cancel, [&trace] { trace.events.push_back("commit"); })),
                 std::runtime_error);
    const std::vector<std::string> tail(trace.events.end() - 4, trace.events.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"run d", "undo d", "undo b", "undo a"}));
}

}  // namespace
