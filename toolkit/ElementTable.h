#pragma once
// The layout vocabulary: which control class an element name stands for. Classes are
// named as GetClass reports them ("Button" for CButtonUI).

// The class for `elementName`, or null when the table has none. Names compare ignoring
// letter case, except "GifAnim", which must be written exactly.
[[nodiscard]] const wchar_t* FindElementClass(const wchar_t* elementName);
