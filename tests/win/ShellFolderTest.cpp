// Folder records, identifier lists and the shell's name records, checked
// without a tree.
#include "shelltree/ItemIdList.h"
#include "shelltree/ShellFolder.h"
#include "platform/WideText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// An identifier list from raw items: each item is its bytes after the
// 16-bit count; the ending zero word is added.
std::vector<BYTE> ListBytes(const std::vector<std::string>& items)
{
    std::vector<BYTE> bytes;
    for (const std::string& item : items) {
        USHORT cb = static_cast<USHORT>(item.size() + sizeof(USHORT));
        bytes.push_back(static_cast<BYTE>(cb & 0xFF));
        bytes.push_back(static_cast<BYTE>(cb >> 8));
        bytes.insert(bytes.end(), item.begin(), item.end());
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

LPCITEMIDLIST AsList(const std::vector<BYTE>& bytes)
{
    return reinterpret_cast<LPCITEMIDLIST>(bytes.data());
}

STRRET WideName(const wchar_t* text)
{
    STRRET name{};
    name.uType = STRRET_WSTR;
    if (text) {
        size_t size = (wcslen(text) + 1) * sizeof(wchar_t);
        name.pOleStr = static_cast<LPWSTR>(CoTaskMemAlloc(size));
        std::memcpy(name.pOleStr, text, size);
    }
    return name;
}

STRRET InlineName(const char* text)
{
    STRRET name{};
    name.uType = STRRET_CSTR;
    lstrcpynA(name.cStr, text, MAX_PATH);
    return name;
}

STRRET OffsetName(UINT offset)
{
    STRRET name{};
    name.uType = STRRET_OFFSET;
    name.uOffset = offset;
    return name;
}

}  // namespace

TEST(ShellNameText, ReadsEachFormOfTheShellsNameRecord)
{
    // First item: count word, two bytes of the shell's own, then "Trade\0".
    std::vector<BYTE> pidl = ListBytes({std::string("\x01\x02Trade\0", 8), "next"});
    struct Case {
        STRRET name;
        std::wstring expected;
    } cases[] = {
        {WideName(L"\x0414\x043e\x043a\x0443\x043c\x0435\x043d\x0442\x044b"), L"Документы"},
        {WideName(nullptr), L""},
        {InlineName("Disk (C:)"), L"Disk (C:)"},
        {OffsetName(4), L"Trade"},
        {OffsetName(9), L""},  // the item's ending zero
        {OffsetName(40), L""},  // past the first item: nothing is read there
    };
    for (Case& c : cases) {
        EXPECT_EQ(ShellNameText(c.name, AsList(pidl)), c.expected);
        if (c.name.uType == STRRET_WSTR) {
            EXPECT_EQ(c.name.pOleStr, nullptr) << "the wide string is freed";
        }
    }
}

TEST(ShellNameText, DropsEveryQuestionMarkOnlyFromANameStartingWithOneAndADigit)
{
    struct Case {
        const char* raw;
        const wchar_t* expected;
    } cases[] = {
        {"?1?2 Base?", L"12 Base"}, {"?9", L"9"}, {"?a?b", L"?a?b"}, {"?", L"?"}, {"1?2", L"1?2"}, {"", L""},
    };
    for (const Case& c : cases) {
        STRRET name = InlineName(c.raw);
        EXPECT_EQ(ShellNameText(name, nullptr), c.expected) << c.raw;
    }
}

TEST(ItemIdList, JoiningCopiesTheFirstWithoutItsEndThenTheSecondWhole)
{
    std::vector<BYTE> first = ListBytes({"ab", "cde"});
    std::vector<BYTE> second = ListBytes({"f"});
    UniquePidl joined = JoinPidls(AsList(first), AsList(second));
    std::vector<BYTE> expected = ListBytes({"ab", "cde", "f"});
    ASSERT_EQ(PidlSize(joined.Get()), expected.size());
    EXPECT_EQ(std::memcmp(joined.Get(), expected.data(), expected.size()), 0);

    UniquePidl empty = CopyPidl(nullptr);
    EXPECT_EQ(PidlSize(empty.Get()), 2u);
    EXPECT_EQ(PidlSize(nullptr), 0u);
}

TEST(ShellFolder, ARecordWithoutParentHangsUnderTheDesktopRecord)
{
    ShellLayerStart();
    ASSERT_NE(DesktopRecord(), nullptr);
    std::vector<BYTE> id = ListBytes({"item"});
    TShellFolder orphan(nullptr, AsList(id), ComPtr<IShellFolder>());
    EXPECT_EQ(orphan.ParentRecord(), DesktopRecord());
    EXPECT_EQ(PidlSize(orphan.FullItemId()), id.size());
    EXPECT_EQ(std::memcmp(orphan.FullItemId(), id.data(), id.size()), 0);

    // A parent without a folder cannot name its children.
    TShellFolder child(&orphan, AsList(id), ComPtr<IShellFolder>());
    EXPECT_EQ(child.ItemCaption(), L"parentfolder = nil");
    EXPECT_EQ(PidlSize(child.FullItemId()), 2 * id.size() - 2);
}
