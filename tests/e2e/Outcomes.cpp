#include "Outcomes.h"

#include "WindowQuery.h"

#include "platform/Handles.h"
#include "runtime/ScopeGuard.h"
#include "platform/WideText.h"

#include <chrono>
#include <cstdio>
#include <thread>

std::optional<std::string> ReadBytes(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    return bytes;
}

void WriteBytes(const std::wstring& path, std::string_view bytes)
{
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        throw DriverError("cannot create " + Utf8(path) + ": error " + std::to_string(GetLastError()));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw DriverError("cannot write " + Utf8(path));
}

void RemoveFolderTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveFolderTree(path + L"\\");
            else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::string BaseListBytes(const std::vector<BaseEntry>& entries)
{
    std::string bytes;
    for (const BaseEntry& e : entries)
        for (const std::string* line : {&e.Name, &e.Path, &e.Login, &e.Password})
            bytes += *line + "\r\n";
    return bytes;
}

std::string Readable(std::string_view bytes)
{
    std::string result;
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            result += "\\n\n";
        else if (c == '\r')
            result += "\\r";
        else if (byte < 0x20 || byte == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", byte);
            result += hex;
        } else
            result += Utf8(Wide(std::string_view(&c, 1)));
    }
    return result;
}

namespace {

// Keys are named in UTF-8 here and opened by their exact wide names: an
// executable's key may hold any character. Names and values below them are
// the program's ASCII ones.
std::wstring FromUtf8(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

LONG OpenRegistryKey(const std::string& key, HKEY* result)
{
    return RegOpenKeyExW(HKEY_CURRENT_USER, FromUtf8(key).c_str(), 0, KEY_READ, result);
}

}  // namespace

std::optional<std::string> ReadRegistryText(const std::string& key, const std::string& value)
{
    RegKey handle;
    if (OpenRegistryKey(key, handle.Receive()) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(handle.Get(), value.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return std::nullopt;
    std::string data(size, '\0');
    if (RegQueryValueExA(handle.Get(), value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    if (auto nul = data.find('\0'); nul != std::string::npos)
        data.resize(nul);
    return data;
}

bool RegistryKeyExists(const std::string& key)
{
    RegKey handle;
    return OpenRegistryKey(key, handle.Receive()) == ERROR_SUCCESS;
}

namespace {

// The names a registry enumeration function lists under a key: the same loop
// serves subkeys (RegEnumKeyExA) and values (RegEnumValueA).
template <typename Enumerate>
std::vector<std::string> RegistryNames(const std::string& key, Enumerate enumerate)
{
    std::vector<std::string> names;
    RegKey handle;
    if (OpenRegistryKey(key, handle.Receive()) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof(name);
        if (enumerate(handle.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

}  // namespace

std::vector<std::string> RegistrySubkeys(const std::string& key)
{
    return RegistryNames(key, RegEnumKeyExA);
}

std::vector<std::string> RegistryValueNames(const std::string& key)
{
    return RegistryNames(key, RegEnumValueA);
}

void DeleteRegistryTree(const std::string& key)
{
    // Depth first: a key with subkeys cannot be deleted.
    for (const std::string& sub : RegistrySubkeys(key))
        DeleteRegistryTree(key + "\\" + sub);
    RegDeleteKeyW(HKEY_CURRENT_USER, FromUtf8(key).c_str());
}

namespace {

// Another process may hold the clipboard for a moment.
void OpenTheClipboard()
{
    WaitUntil([] { return OpenClipboard(nullptr) != FALSE; }, "the clipboard to open");
}

}  // namespace

std::wstring ClipboardText()
{
    OpenTheClipboard();
    ScopeGuard close([] { CloseClipboard(); });
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data)
        return {};
    auto* text = static_cast<const wchar_t*>(GlobalLock(data));
    std::wstring result = text ? text : L"";
    GlobalUnlock(data);
    return result;
}

void EmptyTheClipboard()
{
    OpenTheClipboard();
    EmptyClipboard();
    CloseClipboard();
}
