#pragma once
// Minimal owning holder for COM interface pointers (WRL does not build with mingw g++).

#include <objbase.h>
#include <unknwn.h>

#include <utility>

template <typename T>
class ComPtr {
  public:
    ComPtr() noexcept = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            reset();
            ptr_ = std::exchange(other.ptr_, nullptr);
        }
        return *this;
    }

    [[nodiscard]] T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }

    void reset() noexcept {
        if (ptr_) {
            ptr_->Release();
            ptr_ = nullptr;
        }
    }
    // Out-parameter for creation functions; releases what was held first.
    T** put() noexcept {
        reset();
        return &ptr_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    template <typename U>
    [[nodiscard]] HRESULT As(ComPtr<U>& out) const noexcept {
        if (!ptr_) {
            return E_POINTER;
        }
        return ptr_->QueryInterface(__uuidof(U), out.put_void());
    }

  private:
    T* ptr_ = nullptr;
};

// Uninitialises COM only when this object's initialisation succeeded.
class ScopedComInit {
  public:
    ScopedComInit() noexcept : hr_(::CoInitialize(nullptr)) {}
    ~ScopedComInit() {
        if (SUCCEEDED(hr_)) {
            ::CoUninitialize();
        }
    }
    ScopedComInit(const ScopedComInit&) = delete;
    ScopedComInit& operator=(const ScopedComInit&) = delete;
    [[nodiscard]] bool ok() const noexcept { return SUCCEEDED(hr_); }
    [[nodiscard]] HRESULT result() const noexcept { return hr_; }

  private:
    HRESULT hr_;
};
