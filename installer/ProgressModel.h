#pragma once
// The install progress bar's model: the worker only names its stage; the bar runs ahead
// of the work on a UI-thread timer, up to a ceiling per stage, so it keeps moving while
// the worker blocks in the download or the extraction. Pure logic.

// The timer's period at the start of an install, before the worker has set a stage.
inline constexpr int kProgressBasePeriodMs = 300;
inline constexpr int kProgressComplete = 100;

// 300 / stage milliseconds: the later the stage, the faster the bar. Stages below 1
// (never set by the worker) keep the base period rather than dividing by zero.
[[nodiscard]] int ProgressTimerPeriodMs(int stage);

// How far the bar may grow in `stage`: 5, 65, 85, 99 and 100 for stages 1, 2, 4, 5 and
// 6; -1 for a stage in which the bar does not grow (3 is never set, anything else is not
// a stage).
[[nodiscard]] int ProgressCeiling(int stage);

// The bar's value after one timer tick in `stage`: one more, up to the stage's ceiling.
// It never moves backwards.
[[nodiscard]] int NextProgress(int stage, int progress);
