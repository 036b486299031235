// skin_preview SKIN.zip PAGE [--agree] [--progress N] [--traditional] [--box 0|1|2]
//              [--positions FILE] [--at X,Y] [--seconds N]
// Opens the main layout of the packed skin on PAGE (0 main, 1 custom at 800x550,
// 2 progress, 3 finished) at a fixed place; --box adds the message box over it (1: one
// button, 2: the close question, 3: an install error with the web-site button).

#include "installer/MessageBoxExWnd.h"
#include "installer/WindowTexts.h"
#include "toolkit/ControlClasses.h"
#include "tools/skin_preview/PreviewWnd.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr char kSkinPassword[] = "Tm4RwQ8s";

bool ReadWholeFile(const wchar_t* path, std::vector<char>& bytes) {
    FILE* file = _wfopen(path, L"rb");
    if (file == nullptr) {
        return false;
    }
    char chunk[65536];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof(chunk), file)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    std::fclose(file);
    return !bytes.empty();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    int argc = 0;
    LPWSTR* argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    if (argv == nullptr || argc < 3) {
        return 2;
    }
    static std::vector<char> skin;  // the toolkit reads from it until the process ends
    if (!ReadWholeFile(argv[1], skin)) {
        return 3;
    }
    PreviewState state;
    state.page = _wtoi(argv[2]);
    int box = 0;
    int x = 40;
    int y = 40;
    int seconds = 0;
    for (int i = 3; i < argc; ++i) {
        const std::wstring arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == L"--agree") {
            state.agreed = true;
        } else if (arg == L"--traditional") {
            state.traditional = true;
        } else if (arg == L"--progress" && hasValue) {
            state.progress = _wtoi(argv[++i]);
        } else if (arg == L"--box" && hasValue) {
            box = _wtoi(argv[++i]);
        } else if (arg == L"--positions" && hasValue) {
            state.positionsFile = argv[++i];
        } else if (arg == L"--at" && hasValue) {
            (void)std::swscanf(argv[++i], L"%d,%d", &x, &y);
        } else if (arg == L"--seconds" && hasValue) {
            seconds = _wtoi(argv[++i]);
        }
    }
    ::LocalFree(argv);

    CUIManager::SetInstance(instance);
    RegisterControlClasses();
    CUIManager::SetResourceZip(skin.data(), skin.size(), kSkinPassword);
    CPreviewWnd window(state);
    if (window.Create(nullptr, L"Varlo skin preview", WS_POPUP | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, x, y, 800,
                      430) == nullptr) {
        return 4;
    }
    window.ShowWindow(true, true);
    if (!window.Built()) {
        return 5;
    }
    if (seconds > 0) {
        ::SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    }
    if (box > 0) {
        // The installer's own box, shown without its modal loop so the picture has both.
        const bool simplified = !state.traditional;
        MessageBoxRequest request;
        request.title = texts::kBoxTitle.Pick(simplified);
        request.text = texts::kConfirmClose.Pick(simplified);
        request.buttons = 2;
        request.okText = texts::kOk.Pick(simplified);
        request.cancelText = texts::kCancel.Pick(simplified);
        if (box == 1) {
            request.text = texts::kFavoritesRefused.Pick(simplified);
            request.buttons = 1;
        } else if (box == 3) {
            request.text = texts::kStalled.Pick(simplified);
            request.cancelText = texts::kOpenHomePage.Pick(simplified);
        }
        static CMessageBoxExWnd shown(request);
        shown.Create(window.GetHWND(), L"Varlo skin preview box", 0x16C00000, WS_EX_TOOLWINDOW, 0, 0, request.width,
                     request.height);
    }
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == nullptr) {
            break;
        }
        if (!CUIManager::TranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return 0;
}
