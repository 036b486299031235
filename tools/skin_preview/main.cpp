// skin_preview SKIN.zip PAGE [--agree] [--progress N] [--traditional] [--box 0|1|2]
//              [--positions FILE] [--at X,Y] [--seconds N]
// Opens the main layout of the packed skin on PAGE (0 main, 1 custom at 800x550,
// 2 progress, 3 finished) at a fixed place; --box adds the message box over it (1: one
// button, 2: the close question, 3: an install error with the web-site button).

#include "toolkit/ControlClasses.h"
#include "tools/skin_preview/BoxMockWnd.h"
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
        const bool trad = state.traditional;
        std::wstring text = trad ? L"安裝尚未完成，確定退出嗎" : L"安装尚未完成，确定退出吗";
        std::wstring second = L"取消";
        if (box == 1) {
            text = trad ? L"缺少必要權限！請勿在 收藏夾 或者包含 Favorites 的目錄下運行。"
                        : L"缺少必要权限！请勿在 收藏夹 或者包含 Favorites 的目录下运行。";
        } else if (box == 3) {
            text = trad ? L"網路異常，下載進度長時間未更新，請前往官網下載離線安裝"
                        : L"网络异常，下载进度长时间未更新，请前往官网下载离线安装";
            second = trad ? L"開啟官網" : L"打开官网";
        }
        static CBoxMockWnd mock(text, box == 1 ? 1 : 2, trad ? L"確定" : L"确定", second);
        mock.Create(window.GetHWND(), L"Varlo skin preview box", 0x16C00000, WS_EX_TOOLWINDOW, x + 178, y + 82, 444,
                    266);
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
