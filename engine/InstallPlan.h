#pragma once
// The install after the download as one list of steps, made before the first one runs,
// each with its do and its undo. The runner walks the list with one cancel check between
// steps; a failure or a cancel undoes every step taken, the latest first, so the machine
// is as it was before. After the last step comes the commit, which a cancel no longer
// stops: from then on the install is whole.

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

struct PlanStep {
    const wchar_t* name = L"";  // the stage as the log names it
    // False when the step failed; it may have done part of its work, which its undo (or
    // an earlier step's, see below) puts back.
    std::function<bool()> run;
    // Puts back what the step did. Empty for a step whose record is undone by an earlier
    // step's undo (the install record undoes everything written to it, latest first).
    // Never throws.
    std::function<void()> undo;
};

enum class PlanResult { Done, Cancelled, Failed };

struct PlanOutcome {
    PlanResult result = PlanResult::Failed;
    size_t step = 0;  // the step that failed or was not started for the cancel
};

class InstallPlan {
  public:
    // Called with each step's name before it runs, and with "" before the commit.
    explicit InstallPlan(std::function<void(const wchar_t* name)> enterStage);

    void Add(PlanStep step);
    [[nodiscard]] size_t Size() const { return steps_.size(); }

    // Runs the steps in order; `commit` follows the last. A step that throws is undone
    // with the others and the exception goes on to the caller.
    PlanOutcome Run(const std::atomic<bool>* cancel, const std::function<void()>& commit);

  private:
    void UndoThrough(size_t last);

    std::function<void(const wchar_t*)> enterStage_;
    std::vector<PlanStep> steps_;
};
