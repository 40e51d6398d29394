#include "baselist/BaseListCompanions.h"

#include "platform/FileApi.h"

#include <cwchar>

// "AutoPeriod" in the local application data, or the temporary folder on a
// system without one.
std::wstring BaseListUserFolder()
{
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH + 1);
    if (length > 0 && length <= MAX_PATH)
        return std::wstring(buffer, length) + L"\\AutoPeriod\\";
    length = GetTempPathW(MAX_PATH + 1, buffer);
    return length > 0 && length <= MAX_PATH ? std::wstring(buffer, length) : std::wstring();
}

ListFileIdentity IdentityFrom(const BY_HANDLE_FILE_INFORMATION& information)
{
    return {information.dwVolumeSerialNumber, uint64_t(information.nFileIndexHigh) << 32 | information.nFileIndexLow};
}

std::optional<ListFileIdentity> IdentityOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information;
    if (!FileApi::Information(file, &information))
        return std::nullopt;
    return IdentityFrom(information);
}

std::wstring BaseListTempPath(const std::wstring& path)
{
    return path + L".tmp";
}

std::wstring BaseListSpareTempPath(const std::wstring& path, int n)
{
    return path + L"." + std::to_wstring(n) + L".tmp";
}

std::wstring BaseListCompletePath(const std::wstring& path)
{
    return path + L".new";
}

std::wstring BaseListBackupPath(const std::wstring& path)
{
    return path + L".bak";
}

std::wstring BaseListUserCopyPath(const ListFileIdentity& identity, const std::wstring& suffix)
{
    wchar_t name[48];
    swprintf(name, 48, L"Bases-%08lX-%016llX.dat", static_cast<unsigned long>(identity.volume),
             static_cast<unsigned long long>(identity.index));
    return BaseListUserFolder() + name + suffix;
}

std::wstring BaseListOldUserCopyPath(const std::wstring& path, const std::wstring& suffix)
{
    std::wstring upper = path;
    CharUpperBuffW(upper.data(), DWORD(upper.size()));
    uint32_t hash = 2166136261u;
    for (wchar_t c : upper)
        hash = (hash ^ uint32_t(c)) * 16777619u;
    wchar_t hex[9];
    swprintf(hex, 9, L"%08X", unsigned(hash));
    return BaseListUserFolder() + L"Bases-" + hex + L".dat" + suffix;
}

void MakeFolderFor(const std::wstring& companion)
{
    FileApi::MakeFolder(companion.substr(0, companion.find_last_of(L'\\')));
}
