#pragma once
// Walks a parsed layout and builds it into an ILayoutTarget: the resource elements of the
// document element, the window attributes, then the control tree with its includes.

#include "toolkit/ILayoutTarget.h"
#include "toolkit/LayoutNode.h"

class CLayoutMarkup;

class CLayoutReader {
  public:
    // Elements nested deeper than this are not built (their parent still is).
    static constexpr int kMaxDepth = 64;
    // An "Include" inside included layouts is followed this many levels deep.
    static constexpr int kMaxIncludeDepth = 8;
    // Copies made by all "Include" elements of one build together.
    static constexpr int kMaxIncludeCopies = 256;
    static constexpr size_t kMaxIncludeSource = 499;

    explicit CLayoutReader(ILayoutTarget& target) : target_(target) {}

    // Returns the first control built at the top level, or null.
    [[nodiscard]] LayoutControl Build(const CLayoutMarkup& markup, LayoutControl parent);

  private:
    LayoutControl BuildDocument(const CLayoutMarkup& markup, LayoutControl parent, int includeDepth);
    void ReadResources(const CLayoutNode& root);
    LayoutControl BuildLevel(const CLayoutNode& node, LayoutControl parent, int depth, int includeDepth);
    LayoutControl BuildInclude(const CLayoutNode& node, LayoutControl parent, int includeDepth);

    ILayoutTarget& target_;
    int includeCopies_ = 0;
};
