// Bases.dat tests' shared ground: real files in a temporary folder with a
// Russian name, helpers that read them without passing the fault seam, and
// the fixture with the main window's table.
#pragma once

#include "BaseListStreams.h"
#include "BaseTableHelpers.h"
#include "FaultPlan.h"
#include "model/RxMemoryData.h"
#include "baselist/BaseListFile.h"
#include "platform/FileApi.h"
#include "platform/FileExists.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "WinTestSupport.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace base_list_test {

// The helpers below call Win32 directly, not through the wrappers, so they
// never shift the fault seam's count.

inline std::optional<std::string> ReadBytes(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char block[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), block, sizeof block, &read, nullptr) && read > 0)
        bytes.append(block, read);
    return bytes;
}

inline bool EntryExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// True when nobody holds the file open: an exclusive open succeeds.
inline bool IsClosed(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    return bool(file);
}

inline std::vector<BaseListEntry> Load(const std::wstring& path)
{
    std::vector<BaseListEntry> entries;
    LoadBaseListFile(path, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); });
    return entries;
}

inline std::wstring Save(const std::wstring& path, const std::vector<BaseListEntry>& entries)
{
    size_t i = 0;
    return SaveBaseListFile(path, [&](BaseListValues& e) {
        if (i == entries.size())
            return false;
        e = ViewsOf(entries[i++]);
        return true;
    });
}

inline std::wstring Quoted(const std::wstring& path)
{
    return L"\"" + path + L"\"";
}

// Which file this is: the volume and the index, the same for every name of it.
inline std::pair<DWORD, uint64_t> IdentityOf(const std::wstring& path)
{
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    GetFileInformationByHandle(file.Get(), &info);
    return {info.dwVolumeSerialNumber, uint64_t(info.nFileIndexHigh) << 32 | info.nFileIndexLow};
}

// The names in the folder, files and folders.
inline std::set<std::wstring> FolderContent(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
            names.insert(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Another program's handle on the file.
inline UniqueHandle Hold(const std::wstring& path, DWORD access, DWORD share)
{
    return UniqueHandle(
        CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The companion in the user's own folder of the list file now at `path`
// (".tmp", ".new" or ".bak"), asked of Windows directly; empty when there is
// no such file.
inline std::wstring BaseListUserCopyPath(const std::wstring& path, const std::wstring& suffix)
{
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!file || !GetFileInformationByHandle(file.Get(), &information))
        return {};
    return BaseListUserCopyPath(IdentityFrom(information), suffix);
}

// The folder spelt another way: through Wine's drive of the whole Unix tree
// ("Z:\\tmp\\..."), as a start through another drive letter or a network
// path would name it.
inline std::wstring OtherSpelling(const std::wstring& folder)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    static const auto unixName =
        reinterpret_cast<UnixName>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!unixName)
        return {};
    char* name = unixName(folder.c_str());
    if (!name)
        return {};
    wchar_t wide[4 * MAX_PATH];
    const int length = MultiByteToWideChar(CP_UTF8, 0, name, -1, wide, 4 * MAX_PATH);
    std::wstring other = L"Z:" + std::wstring(wide, length > 0 ? length - 1 : 0);
    HeapFree(GetProcessHeap(), 0, name);
    std::replace(other.begin(), other.end(), L'/', L'\\');
    if (other.back() != L'\\')
        other += L'\\';
    return other;
}

// Another Windows user, as far as the list's companions go: while it lives,
// the local application data is another folder.
class AnotherUser {
public:
    explicit AnotherUser(const std::wstring& localAppData)
    {
        wchar_t buffer[MAX_PATH + 1];
        const DWORD length = GetEnvironmentVariableW(L"LOCALAPPDATA", buffer, MAX_PATH + 1);
        own_ = std::wstring(buffer, length <= MAX_PATH ? length : 0);
        CreateDirectoryW(localAppData.c_str(), nullptr);
        SetEnvironmentVariableW(L"LOCALAPPDATA", localAppData.c_str());
    }
    ~AnotherUser() { SetEnvironmentVariableW(L"LOCALAPPDATA", own_.empty() ? nullptr : own_.c_str()); }
    AnotherUser(const AnotherUser&) = delete;
    AnotherUser& operator=(const AnotherUser&) = delete;

private:
    std::wstring own_;
};

// The file's access list as self-relative bytes; empty when unreadable.
inline std::string RightsOf(const std::wstring& path)
{
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &size);
    std::string bytes(size, '\0');
    if (size == 0 || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, bytes.data(), size, &size))
        return {};
    return bytes;
}

// Gives the file an access list of its own, its owner's alone; returns it
// as RightsOf reads it back.
inline std::string PrivateRights(const std::wstring& path)
{
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &size);
    std::string owner(size, '\0');
    PSID sid = nullptr;
    BOOL defaulted = FALSE;
    wchar_t* sidText = nullptr;
    if (size == 0 || !GetFileSecurityW(path.c_str(), OWNER_SECURITY_INFORMATION, owner.data(), size, &size) ||
        !GetSecurityDescriptorOwner(owner.data(), &sid, &defaulted) || !ConvertSidToStringSidW(sid, &sidText))
        return {};
    const std::wstring sddl = L"D:P(A;;FA;;;SY)(A;;FA;;;" + std::wstring(sidText) + L")";
    LocalFree(sidText);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return {};
    const BOOL set = SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set ? RightsOf(path) : std::string();
}

inline std::wstring TextOf(const Exception& e)
{
    const std::u16string text = e.Text();
    return std::wstring(text.begin(), text.end());
}

// The EInOutError the action raises; code 0 and no text when it raises none.
struct Failure {
    int code = 0;
    std::string message;
    std::wstring text;
};

inline Failure FailureOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EInOutError& e) {
        return {e.ErrorCode(), e.Message(), TextOf(e)};
    }
    return {};
}

inline int ErrorCodeOf(const std::function<void()>& action)
{
    return FailureOf(action).code;
}

// Number of wrapped file calls the action makes when nothing fails.
inline int CallsOf(const std::function<void()>& action)
{
    int before = FileFaults::CallCount();
    action();
    return FileFaults::CallCount() - before;
}

using Call = SeamCall;

// Refuses the wrapped file calls the rule picks, with the rule's code,
// while it lives.
class Refusal : public FileFaults::Observer {
public:
    using Rule = std::function<DWORD(Call, const std::wstring& path, const std::wstring& target)>;
    explicit Refusal(Rule rule) : rule_(std::move(rule)) { FileFaults::Observe(this); }
    ~Refusal() override { FileFaults::Observe(nullptr); }
    DWORD Before(Call call, const std::wstring& path, const std::wstring& target, HANDLE) override
    {
        return rule_(call, path, target);
    }
    void After(Call, const std::wstring&, const std::wstring&, HANDLE) override {}

private:
    Rule rule_;
};

inline std::vector<BaseListEntry> ManyEntries(size_t count, char mark = 'p')
{
    std::vector<BaseListEntry> entries;
    for (size_t i = 0; i < count; ++i)
        entries.push_back(
            {"\xc1\xe0\xe7\xe0 " + std::to_string(i), "C:\\1C\\" + std::string(180, mark), "login", "secret"});
    return entries;
}

inline const std::string kOldBytes = "Old\r\nC:\\Old\r\nuser\r\npass\r\nSecond\r\n\r\n\r\n\r\n";
inline const std::vector<BaseListEntry> kOldEntries = {{"Old", "C:\\Old", "user", "pass"}, {"Second", "", "", ""}};
inline const std::vector<BaseListEntry> kNewEntries = {{"New", "D:\\New", "", "pw"}};
inline const std::string kNewBytes = "New\r\nD:\\New\r\n\r\npw\r\n";

class BaseListFile : public testing::Test {
protected:
    void SetUp() override
    {
        Starts::StartAgain();
        RemoveUserCopies();
        OpenBaseTable(table);
    }
    void TearDown() override
    {
        FileFaults::Disarm();
        FileFaults::Observe(nullptr);
        RemoveUserCopies();
    }
    // The companions saves left in the user's own folder, by their endings.
    static std::set<std::wstring> UserCopies()
    {
        std::set<std::wstring> found;
        for (const std::wstring& name : FolderContent(BaseListUserFolder()))
            found.insert(name.substr(name.find_last_of(L'.')));
        return found;
    }
    static void RemoveUserCopies()
    {
        for (const std::wstring& name : FolderContent(BaseListUserFolder())) {
            SetFileAttributesW((BaseListUserFolder() + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW((BaseListUserFolder() + name).c_str());
        }
    }

    TempFolder temp_;
    const std::wstring folder_ = temp_.WidePath();
    const std::wstring path_ = folder_ + kBaseListFileName;
    TRxMemoryData table{"BaseRxMemoryData"};  // the main window's, open and empty
};

// A folder that scripts/wine-as-user prepared for the test user.
inline std::wstring PreparedFolder(const char* variable)
{
    const char* unixPath = std::getenv(variable);
    if (!unixPath)
        return {};
    std::wstring folder = L"Z:" + Wide(unixPath) + L"\\";
    std::replace(folder.begin(), folder.end(), L'/', L'\\');
    return folder;
}

}  // namespace base_list_test

using namespace base_list_test;
