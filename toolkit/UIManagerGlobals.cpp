#include "toolkit/UIManagerGlobals.h"

#include "util/SystemDll.h"
#include "util/UniqueHandle.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// The flat GDI+ start-up functions; the C++ headers do not build with NOMINMAX.
struct GdiplusStartupInput {
    UINT32 version = 1;
    void* debugEventCallback = nullptr;
    BOOL suppressBackgroundThread = FALSE;
    BOOL suppressExternalCodecs = FALSE;
};
using GdiplusStartupFn = int(WINAPI*)(ULONG_PTR*, const GdiplusStartupInput*, void*);
using GdiplusShutdownFn = void(WINAPI*)(ULONG_PTR);

HMODULE Gdiplus() {
    static HMODULE module = LoadSystemLibrary(L"gdiplus.dll");
    return module;
}

template <typename Fn>
Fn Lookup(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace

namespace UIManagerGlobals {

HINSTANCE& Instance() {
    static HINSTANCE instance = nullptr;
    return instance;
}

HINSTANCE& ResourceInstance() {
    static HINSTANCE instance = nullptr;
    return instance;
}

HINSTANCE ResourceModule() {
    HINSTANCE resource = ResourceInstance();
    return resource != nullptr ? resource : Instance();
}

bool ReadResourceBytes(const wchar_t* name, const wchar_t* type, std::vector<uint8_t>& bytes) {
    HINSTANCE module = ResourceModule();
    HRSRC resource = ::FindResourceW(module, name, type);
    if (resource == nullptr) {
        return false;
    }
    HGLOBAL loaded = ::LoadResource(module, resource);
    const DWORD size = ::SizeofResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (data == nullptr || size == 0) {
        return false;
    }
    const uint8_t* begin = static_cast<const uint8_t*>(data);
    bytes.assign(begin, begin + size);
    return true;
}

CResourceCache& Shared() {
    static CResourceCache cache;
    return cache;
}

std::vector<CUIManager*>& Managers() {
    static std::vector<CUIManager*> managers;
    return managers;
}

void Join(CUIManager* manager) {
    std::vector<CUIManager*>& managers = Managers();
    if (std::find(managers.begin(), managers.end(), manager) == managers.end()) {
        managers.push_back(manager);
    }
}

HPEN DirtyPen() {
    static UniquePen pen(::CreatePen(PS_SOLID, 1, RGB(220, 0, 0)));
    return pen.get();
}

void OnManagerCreated(CUIManager*, ULONG_PTR* gdiplusToken) {
    static const bool once = [] {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        (void)DirtyPen();
        return true;
    }();
    (void)once;
    *gdiplusToken = 0;
    if (auto startup = Lookup<GdiplusStartupFn>(Gdiplus(), "GdiplusStartup")) {
        GdiplusStartupInput input;
        if (startup(gdiplusToken, &input, nullptr) != 0) {
            *gdiplusToken = 0;
        }
    }
}

void OnManagerDestroyed(CUIManager* manager, ULONG_PTR gdiplusToken) {
    std::vector<CUIManager*>& managers = Managers();
    managers.erase(std::remove(managers.begin(), managers.end(), manager), managers.end());
    if (gdiplusToken != 0) {
        if (auto shutdown = Lookup<GdiplusShutdownFn>(Gdiplus(), "GdiplusShutdown")) {
            shutdown(gdiplusToken);
        }
    }
}

UpdateLayeredWindowFn UpdateLayeredWindowFunction() {
    static UpdateLayeredWindowFn function =
        Lookup<UpdateLayeredWindowFn>(::GetModuleHandleW(L"User32.dll"), "UpdateLayeredWindow");
    return function;
}

SetLayeredWindowAttributesFn SetLayeredWindowAttributesFunction() {
    static SetLayeredWindowAttributesFn function =
        Lookup<SetLayeredWindowAttributesFn>(::GetModuleHandleW(L"User32.dll"), "SetLayeredWindowAttributes");
    return function;
}

}  // namespace UIManagerGlobals
