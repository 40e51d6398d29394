#include "storage/RegistrySection.h"

#include "runtime/Exceptions.h"
#include "runtime/IntParser.h"
#include "storage/RegistryCalls.h"

#include <algorithm>
#include <cstring>
#include <vector>

// The messages are assembled here rather than through the core's message
// formatter, whose name <windows.h> redefines.
namespace {

[[noreturn]] void RaiseForIdent(const char* lead, const std::string& ident)
{
    throw ERegistryException(std::string(lead) + " '" + ident + "'");
}

}  // namespace

TRegistrySections TRegistrySections::OpenForWrite(HKEY root, const std::string& keyPath)
{
    return Open(root, keyPath, KEY_ALL_ACCESS);
}

TRegistrySections TRegistrySections::OpenForRead(HKEY root, const std::string& keyPath)
{
    return Open(root, keyPath, KEY_READ);
}

TRegistrySections TRegistrySections::OpenForWrite(HKEY root, const std::wstring& keyPath)
{
    return Open(root, keyPath, KEY_ALL_ACCESS);
}

TRegistrySections TRegistrySections::OpenForRead(HKEY root, const std::wstring& keyPath)
{
    return Open(root, keyPath, KEY_READ);
}

template <typename KeyPath>
TRegistrySections TRegistrySections::Open(HKEY root, const KeyPath& keyPath, REGSAM access)
{
    RegKey base;
    if (RegistryCalls::CreateKey(root, keyPath, KEY_ALL_ACCESS, base.Receive()) != ERROR_SUCCESS)
        base.Reset();
    return TRegistrySections(root, std::move(base), access);
}

void TRegistrySections::WriteString(const std::string& section, const std::string& ident, const std::string& text)
{
    {
        RegKey created;
        if (RegistryCalls::CreateKey(Parent(), section, KEY_ALL_ACCESS, created.Receive()) != ERROR_SUCCESS)
            throw ERegistryException("Failed to create key " + section);
    }
    RegKey key;
    if (RegistryCalls::OpenKey(Parent(), section, access_, key.Receive()) != ERROR_SUCCESS)
        return;
    auto data = reinterpret_cast<const BYTE*>(text.c_str());
    if (RegistryCalls::SetValue(key.Get(), ident, REG_SZ, data, DWORD(text.size() + 1)) != ERROR_SUCCESS)
        RaiseForIdent("Failed to set data for", ident);
}

void TRegistrySections::WriteInteger(const std::string& section, const std::string& ident, int32_t value)
{
    WriteString(section, ident, std::to_string(value));
}

void TRegistrySections::WriteBool(const std::string& section, const std::string& ident, bool value)
{
    WriteString(section, ident, value ? "1" : "0");
}

std::string TRegistrySections::ReadString(const std::string& section, const std::string& ident, const std::string& def)
{
    RegKey key;
    if (RegistryCalls::OpenKey(Parent(), section, access_, key.Receive()) != ERROR_SUCCESS)
        return def;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegistryCalls::QueryValue(key.Get(), ident, &type, nullptr, &size) != ERROR_SUCCESS)
        return def;
    if (size == 0)
        return {};

    std::vector<BYTE> data(size);
    if (RegistryCalls::QueryValue(key.Get(), ident, &type, data.data(), &size) != ERROR_SUCCESS)
        RaiseForIdent("Failed to get data for", ident);
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        RaiseForIdent("Invalid data type for", ident);
    // Stored text need not end in a NUL; never read past what came back.
    size = std::min<DWORD>(size, DWORD(data.size()));
    auto text = reinterpret_cast<const char*>(data.data());
    return std::string(text, strnlen(text, size));
}

int32_t TRegistrySections::ReadInteger(const std::string& section, const std::string& ident, int32_t def)
{
    return StrToIntDef(ReadString(section, ident, {}), def);
}

void TRegistrySections::EraseSection(const std::string& section)
{
    // An empty path names the parent itself: erasing it would wipe the whole
    // application key, or the hive when there is no base key.
    if (section.empty())
        return;
    DeleteKeyTree(Parent(), section);
}

void TRegistrySections::DeleteKeyTree(HKEY parent, const std::string& subKey)
{
    {
        RegKey key;
        if (RegistryCalls::OpenKey(parent, subKey, access_, key.Receive()) != ERROR_SUCCESS)
            return;
        DWORD count = 0;
        DWORD maxLength = 0;
        if (RegistryCalls::QueryInfoKey(key.Get(), &count, &maxLength) == ERROR_SUCCESS) {
            // Collect the names first: deleting while enumerating shifts the
            // indexes.
            std::vector<std::string> children;
            std::vector<char> name(maxLength + 1);
            for (DWORD i = 0; i < count; ++i) {
                DWORD length = DWORD(name.size());
                if (RegistryCalls::EnumKey(key.Get(), i, name.data(), &length) == ERROR_SUCCESS)
                    children.emplace_back(name.data(), length);
            }
            for (const auto& child : children)
                DeleteKeyTree(key.Get(), child);
        }
    }
    // RegDeleteKey refuses a key that still has subkeys; a failure here
    // leaves the rest standing, which the callers accept.
    RegistryCalls::DeleteKey(parent, subKey);
}

void TRegistrySections::WritePosition(const std::string& section, const std::string& ident, const std::string& text)
{
    WriteString(section, ident + ScreenSizeSuffix(), text);
    WriteString(section, ident, text);
}

std::string TRegistrySections::ReadPosition(const std::string& section, const std::string& ident)
{
    std::string text = ReadString(section, ident + ScreenSizeSuffix(), {});
    if (text.empty())
        text = ReadString(section, ident, {});
    return text;
}

std::string ScreenSizeSuffix()
{
    return "(" + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "x" + std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
           ")";
}
