#pragma once
// The process-wide table of "MultiLanguage" texts. Texts shown to the user may carry
// "%{id}" tokens that are replaced from it just before drawing.

#include <map>
#include <string>

class CLanguageTexts {
  public:
    static void Set(int id, const std::wstring& text);
    [[nodiscard]] static bool Get(int id, std::wstring& text);
    static void Clear();
    // Every "%{digits}" with a registered id becomes its text; others stay as written.
    [[nodiscard]] static std::wstring Replace(const std::wstring& text);

  private:
    static std::map<int, std::wstring>& Table();
};
