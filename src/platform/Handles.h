// Owners of platform handles: each closes what it holds exactly once.
// Movable, not copyable.
//
//   UniqueHandle file(CreateFileW(...));
//   if (!file) ...;
//   RegKey key;  RegOpenKeyExA(root, path, 0, KEY_READ, key.Receive());
//   ComPtr<IShellFolder> desktop;  SHGetDesktopFolder(desktop.Receive());
#pragma once

#include "platform/Win32.h"

#include <type_traits>
#include <utility>

// The handle Invalid() gives when there is none: null, unless the kind has
// its own (a file's or a search's INVALID_HANDLE_VALUE).
template <typename H, auto Close, auto Invalid = nullptr>
class UniqueResource {
public:
    using Handle = H;

    UniqueResource() = default;
    explicit UniqueResource(Handle h) : handle_(h) {}
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.Release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ~UniqueResource() { Reset(); }

    [[nodiscard]] Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != None(); }
    [[nodiscard]] Handle Release() { return std::exchange(handle_, None()); }
    void Reset(Handle h = None())
    {
        if (handle_ != None())
            Close(handle_);
        handle_ = h;
    }
    // For functions that hand a new handle back through a pointer.
    Handle* Receive()
    {
        Reset();
        return &handle_;
    }

private:
    static Handle None()
    {
        if constexpr (std::is_null_pointer_v<decltype(Invalid)>)
            return nullptr;
        else
            return Invalid();
    }

    Handle handle_ = None();
};

inline HANDLE InvalidHandleValue()
{
    return INVALID_HANDLE_VALUE;
}

using UniqueHandle = UniqueResource<HANDLE, &CloseHandle, &InvalidHandleValue>;
using RegKey = UniqueResource<HKEY, &RegCloseKey>;
using GdiObject = UniqueResource<HGDIOBJ, &DeleteObject>;
using UniqueMenu = UniqueResource<HMENU, &DestroyMenu>;
using UniqueIcon = UniqueResource<HICON, &DestroyIcon>;
using UniqueModule = UniqueResource<HMODULE, &FreeLibrary>;
using UniqueImageList = UniqueResource<HIMAGELIST, &ImageList_Destroy>;

// A window that another one owns goes with its owner: destroyed only if
// still there.
inline void DestroyWindowIfThere(HWND window)
{
    if (IsWindow(window))
        DestroyWindow(window);
}
// A window made with CreateWindowExW that no object is bound to (a tooltip).
using UniqueWindow = UniqueResource<HWND, &DestroyWindowIfThere>;
// A device context made with CreateCompatibleDC.
using MemoryDC = UniqueResource<HDC, &DeleteDC>;
// A search begun with FindFirstFileW.
using UniqueFindHandle = UniqueResource<HANDLE, &FindClose, &InvalidHandleValue>;

// Selects a GDI object into a device context for one scope.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), old_(SelectObject(dc, object)) {}
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ~ScopedSelect() { SelectObject(dc_, old_); }

private:
    HDC dc_;
    HGDIOBJ old_;
};

// A window's device context for one scope.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    ~WindowDC() { ReleaseDC(hwnd_, dc_); }
    operator HDC() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// A counted COM reference.
template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    explicit ComPtr(T* p) : p_(p) {}
    ComPtr(const ComPtr& other) : p_(other.p_)
    {
        if (p_)
            p_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept
    {
        std::swap(p_, other.p_);
        return *this;
    }
    ~ComPtr()
    {
        if (p_)
            p_->Release();
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** Receive()
    {
        *this = ComPtr();
        return &p_;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    template <typename U>
    ComPtr<U> As() const
    {
        ComPtr<U> result;
        if (p_)
            p_->QueryInterface(__uuidof(U), result.ReceiveVoid());
        return result;
    }

private:
    T* p_ = nullptr;
};
