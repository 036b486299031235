#pragma once
// Move-only ownership of OS handles. Every handle the installer opens lives in one of
// these, so no path can forget to close it.

#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

template <typename Traits>
class UniqueHandle {
  public:
    using Type = typename Traits::Type;

    UniqueHandle() noexcept : value_(Traits::Invalid()) {}
    explicit UniqueHandle(Type value) noexcept : value_(value) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    [[nodiscard]] Type get() const noexcept { return value_; }
    [[nodiscard]] bool valid() const noexcept { return !Traits::IsInvalid(value_); }
    explicit operator bool() const noexcept { return valid(); }

    [[nodiscard]] Type release() noexcept { return std::exchange(value_, Traits::Invalid()); }

    // Closing must not clobber the error code of the call that made the caller give up.
    void reset(Type value = Traits::Invalid()) noexcept {
        if (!Traits::IsInvalid(value_)) {
#ifdef _WIN32
            const DWORD saved = ::GetLastError();
            Traits::Close(value_);
            ::SetLastError(saved);
#else
            Traits::Close(value_);
#endif
        }
        value_ = value;
    }

    // For APIs that return the handle through an out-parameter.
    Type* put() noexcept {
        reset();
        return &value_;
    }

  private:
    Type value_;
};

// Traits for the handles whose one invalid value is null, given back by `CloseFunction`.
template <typename T, auto CloseFunction>
struct NullHandleTraits {
    using Type = T;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Type h) noexcept { return h == nullptr; }
    static void Close(Type h) noexcept { static_cast<void>(CloseFunction(h)); }
};

using UniqueFile = UniqueHandle<NullHandleTraits<FILE*, &std::fclose>>;

#ifdef _WIN32
// Kernel calls report failure with null or INVALID_HANDLE_VALUE, depending on the call.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static bool IsInvalid(Type h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::CloseHandle(h); }
};
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsInvalid(Type h) noexcept { return h == nullptr || h == INVALID_HANDLE_VALUE; }
    static void Close(Type h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

using UniqueRegKey = UniqueHandle<NullHandleTraits<HKEY, &::RegCloseKey>>;
using UniqueModule = UniqueHandle<NullHandleTraits<HMODULE, &::FreeLibrary>>;
// Memory the system allocated for the caller with LocalAlloc (security descriptors, ...).
using UniqueLocal = UniqueHandle<NullHandleTraits<HLOCAL, &::LocalFree>>;
using UniqueBitmap = UniqueHandle<NullHandleTraits<HBITMAP, &::DeleteObject>>;
using UniqueFont = UniqueHandle<NullHandleTraits<HFONT, &::DeleteObject>>;
using UniqueBrush = UniqueHandle<NullHandleTraits<HBRUSH, &::DeleteObject>>;
using UniquePen = UniqueHandle<NullHandleTraits<HPEN, &::DeleteObject>>;
using UniqueRegion = UniqueHandle<NullHandleTraits<HRGN, &::DeleteObject>>;
using UniqueMemoryDc = UniqueHandle<NullHandleTraits<HDC, &::DeleteDC>>;
using UniqueIcon = UniqueHandle<NullHandleTraits<HICON, &::DestroyIcon>>;
using UniqueMenu = UniqueHandle<NullHandleTraits<HMENU, &::DestroyMenu>>;

// A window DC obtained with GetDC must go back to the same window.
class ScopedWindowDc {
  public:
    explicit ScopedWindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(::GetDC(hwnd)) {}
    ~ScopedWindowDc() {
        if (dc_) {
            ::ReleaseDC(hwnd_, dc_);
        }
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
    [[nodiscard]] HDC get() const noexcept { return dc_; }

  private:
    HWND hwnd_;
    HDC dc_;
};

// Restores the previously selected object when it goes out of scope.
class ScopedSelectObject {
  public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(::SelectObject(dc, object)) {}
    ~ScopedSelectObject() {
        if (old_ && old_ != HGDI_ERROR) {
            ::SelectObject(dc_, old_);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ old_;
};
#endif
