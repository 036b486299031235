#pragma once
// A font as a layout describes it: face, size in units and style. It also keys the fonts a
// window realises at its own scale, so two descriptions are equal when they draw alike.

#include <string>
#include <tuple>

struct FontRequest {
    std::wstring face;
    int size = 0;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool strikeout = false;
};

inline bool operator<(const FontRequest& a, const FontRequest& b) {
    return std::tie(a.face, a.size, a.bold, a.underline, a.italic, a.strikeout) <
           std::tie(b.face, b.size, b.bold, b.underline, b.italic, b.strikeout);
}
