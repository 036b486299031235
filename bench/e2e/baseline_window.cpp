// The floor under the installer's memory figure: a bare Win32 window of the installer's
// size that draws the texts of its main page in the same fonts (the same LOGFONT the skin
// asks for, so Wine maps the face onto the same CJK font file) with DrawTextW, as the
// installer's own text drawing does. What this process holds at its peak is what any
// program showing that page takes under this Wine; the benchmark prints the installer's
// peak above it. It closes itself once STOP_FILE appears.
// Usage: baseline_window STOP_FILE
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <memory>
#include <type_traits>

namespace {

constexpr wchar_t kWindowClass[] = L"VarloBenchBaseline";
constexpr UINT_PTR kStopTimer = 1;
constexpr UINT kStopPollMs = 50;
constexpr int kWidth = 800;
constexpr int kHeight = 430;

// The main page as the skin lays it out: text, font size in pixels, bold, box.
struct PageText {
    const wchar_t* text;
    int size;
    bool bold;
    RECT box;
};
constexpr PageText kTexts[] = {
    {L"Varlo加速器", 12, false, {44, 8, 200, 32}},
    {L"Varlo加速器", 30, true, {200, 168, 600, 212}},
    {L"LOW LATENCY  ·  STABLE  ·  FAST", 12, false, {200, 212, 600, 234}},
    {L"同意", 12, false, {52, 390, 76, 412}},
    {L" <<用户许可协议>>", 12, false, {76, 390, 210, 412}},
    {L"立即安装", 18, true, {280, 268, 520, 320}},
    {L"自定义", 12, false, {680, 390, 770, 412}},
};

const wchar_t* g_stopFile = nullptr;

struct FontDeleter {
    void operator()(HFONT font) const { ::DeleteObject(font); }
};
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

UniqueFont MakeFont(int size, bool bold) {
    LOGFONTW font{};
    ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
    wcscpy_s(font.lfFaceName, L"Microsoft YaHei");
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfHeight = -size;
    if (bold) {
        font.lfWeight += FW_BOLD;
    }
    return UniqueFont(::CreateFontIndirectW(&font));
}

void Paint(HWND window) {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(window, &paint);
    RECT client{};
    ::GetClientRect(window, &client);
    HBRUSH ground = ::CreateSolidBrush(RGB(14, 16, 44));
    ::FillRect(dc, &client, ground);
    ::DeleteObject(ground);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(232, 235, 255));
    for (const PageText& item : kTexts) {
        UniqueFont font = MakeFont(item.size, item.bold);
        HGDIOBJ old = ::SelectObject(dc, font.get());
        RECT box = item.box;
        ::DrawTextW(dc, item.text, -1, &box, DT_SINGLELINE | DT_VCENTER | DT_CENTER | DT_NOPREFIX);
        ::SelectObject(dc, old);
    }
    ::EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint(window);
            return 0;
        case WM_TIMER:
            if (wParam == kStopTimer && ::GetFileAttributesW(g_stopFile) != INVALID_FILE_ATTRIBUTES) {
                ::DestroyWindow(window);
            }
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: baseline_window STOP_FILE\n");
        return 2;
    }
    g_stopFile = argv[1];
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&windowClass) == 0) {
        std::fprintf(stderr, "baseline_window: RegisterClassExW failed (%lu)\n", ::GetLastError());
        return 1;
    }
    HWND window = ::CreateWindowExW(0, kWindowClass, L"Varlo加速器", WS_POPUP | WS_VISIBLE, 100, 100, kWidth, kHeight,
                                    nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        std::fprintf(stderr, "baseline_window: CreateWindowExW failed (%lu)\n", ::GetLastError());
        return 1;
    }
    ::UpdateWindow(window);
    ::SetTimer(window, kStopTimer, kStopPollMs, nullptr);
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return 0;
}
