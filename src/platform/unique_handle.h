#pragma once

#include <windows.h>

#include <utility>

namespace velkin::win {

// Owns one handle and releases it exactly once. It can be moved but never copied, so no two
// owners ever close the same handle.
template <typename Traits> class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::Invalid(); }

    Handle release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) {
            Traits::Close(old);
        }
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Handles that are null when there is none, released by one function of the system.
template <typename Type, auto release> struct NullableHandleTraits {
    using Handle = Type;
    static Handle Invalid() noexcept { return nullptr; }
    static void Close(Handle handle) noexcept { release(handle); }
};

// CreateFileW, FindFirstFileExW and FindFirstChangeNotificationW say "none" with
// INVALID_HANDLE_VALUE instead.
template <auto release> struct InvalidValueHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void Close(Handle handle) noexcept { release(handle); }
};

using UniqueKernelHandle = UniqueHandle<NullableHandleTraits<HANDLE, &::CloseHandle>>;
using UniqueFileHandle = UniqueHandle<InvalidValueHandleTraits<&::CloseHandle>>;
using UniqueFindHandle = UniqueHandle<InvalidValueHandleTraits<&::FindClose>>;
using UniqueChangeNotification =
    UniqueHandle<InvalidValueHandleTraits<&::FindCloseChangeNotification>>;
using UniqueFont = UniqueHandle<NullableHandleTraits<HFONT, &::DeleteObject>>;
using UniqueBrush = UniqueHandle<NullableHandleTraits<HBRUSH, &::DeleteObject>>;
using UniqueBitmap = UniqueHandle<NullableHandleTraits<HBITMAP, &::DeleteObject>>;
using UniqueMenu = UniqueHandle<NullableHandleTraits<HMENU, &::DestroyMenu>>;
using UniqueWindow = UniqueHandle<NullableHandleTraits<HWND, &::DestroyWindow>>;

} // namespace velkin::win
