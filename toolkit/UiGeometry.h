#pragma once
// Platform-free rectangles and sizes for the layout arithmetic; the Windows side converts
// them to RECT and SIZE at its edge. Rectangles are left, top, right, bottom.

struct UiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    [[nodiscard]] int Width() const { return right - left; }
    [[nodiscard]] int Height() const { return bottom - top; }
    [[nodiscard]] bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const UiRect& other) const {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const UiRect& other) const { return !(*this == other); }
};

struct UiSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const UiSize& other) const { return cx == other.cx && cy == other.cy; }
};

// Fractions of the parent's width and height that a floating control follows.
struct UiFloatAnchor {
    double left = 0;
    double top = 0;
    double right = 0;
    double bottom = 0;
};
