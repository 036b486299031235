#include "engine/InstallPlan.h"

#include <utility>

InstallPlan::InstallPlan(std::function<void(const wchar_t* name)> enterStage) : enterStage_(std::move(enterStage)) {}

void InstallPlan::Add(PlanStep step) {
    steps_.push_back(std::move(step));
}

PlanOutcome InstallPlan::Run(const std::atomic<bool>* cancel, const std::function<void()>& commit) {
    PlanOutcome outcome;
    // One check before each step and one before the commit: a cancel during the last
    // step still undoes the install.
    for (size_t i = 0; i <= steps_.size(); ++i) {
        outcome.step = i;
        if (cancel != nullptr && cancel->load()) {
            if (i > 0) {
                UndoThrough(i - 1);
            }
            outcome.result = PlanResult::Cancelled;
            return outcome;
        }
        if (i == steps_.size()) {
            break;
        }
        enterStage_(steps_[i].name);
        bool done = false;
        try {
            done = steps_[i].run();
        } catch (...) {
            UndoThrough(i);
            throw;
        }
        if (!done) {
            UndoThrough(i);
            // A step that stopped for a cancel is no failure.
            outcome.result = cancel != nullptr && cancel->load() ? PlanResult::Cancelled : PlanResult::Failed;
            return outcome;
        }
    }
    enterStage_(L"");
    commit();
    outcome.result = PlanResult::Done;
    return outcome;
}

void InstallPlan::UndoThrough(size_t last) {
    for (size_t i = last + 1; i-- > 0;) {
        if (steps_[i].undo) {
            steps_[i].undo();
        }
    }
}
