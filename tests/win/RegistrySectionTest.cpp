// The registry section layer against Wine's real registry. Each test works
// below its own throwaway key HKCU\Software\AutoPeriodTest\<test>.
#include "runtime/Exceptions.h"
#include "FaultPlan.h"
#include "storage/RegistryCalls.h"
#include "storage/RegistrySection.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <regex>

namespace {

struct RawValue {
    DWORD type;
    std::string data;
    friend bool operator==(const RawValue&, const RawValue&) = default;
    friend void PrintTo(const RawValue& v, std::ostream* os) { *os << v.type << " " << testing::PrintToString(v.data); }
};

class RegistrySection : public testing::Test {
protected:
    void SetUp() override
    {
        RegistryFaults::Disarm();
        path_ =
            std::string("Software\\AutoPeriodTest\\") + testing::UnitTest::GetInstance()->current_test_info()->name();
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  scratch_.Receive(), nullptr),
                  ERROR_SUCCESS);
    }

    void TearDown() override
    {
        RegistryFaults::Disarm();
        scratch_.Reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\AutoPeriodTest");  // only once it is empty
    }

    // The layer's object with the scratch key as its base key.
    TRegistrySections Sections(bool forWrite = true)
    {
        return forWrite ? TRegistrySections::OpenForWrite(HKEY_CURRENT_USER, path_)
                        : TRegistrySections::OpenForRead(HKEY_CURRENT_USER, path_);
    }

    bool KeyExists(const std::string& subKey)
    {
        RegKey key;
        return RegOpenKeyExA(scratch_.Get(), subKey.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
    }

    void PutRaw(const std::string& subKey, const std::string& name, DWORD type, const std::string& data)
    {
        RegKey key;
        ASSERT_EQ(RegCreateKeyExA(scratch_.Get(), subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Receive(),
                                  nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                                 DWORD(data.size())),
                  ERROR_SUCCESS);
    }

    std::optional<RawValue> GetRaw(const std::string& subKey, const std::string& name)
    {
        RegKey key;
        if (RegOpenKeyExA(scratch_.Get(), subKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
            return std::nullopt;
        char buffer[512];
        DWORD type = 0;
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        return RawValue{type, std::string(buffer, size)};
    }

    std::string path_;
    RegKey scratch_;
};

// The message of the ERegistryException that action raises, or "" for none.
std::string RaisedMessage(const std::function<void()>& action)
{
    try {
        action();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return {};
}

TEST_F(RegistrySection, WritesEveryValueAsRegSzTextWithItsNul)
{
    auto sections = Sections();
    sections.WriteString("MainForm", "Text", "abc");
    sections.WriteInteger("MainForm", "Number", -2147483647 - 1);
    sections.WriteBool("MainForm", "Yes", true);
    sections.WriteBool("MainForm", "No", false);

    struct Expected {
        const char* name;
        std::string data;
    };
    for (const auto& [name, data] :
         {Expected{"Text", std::string("abc\0", 4)}, Expected{"Number", std::string("-2147483648\0", 12)},
          Expected{"Yes", std::string("1\0", 2)}, Expected{"No", std::string("0\0", 2)}})
        EXPECT_EQ(GetRaw("MainForm", name), (RawValue{REG_SZ, data})) << name;
    EXPECT_EQ(sections.ReadString("MainForm", "Text", "def"), "abc");
    EXPECT_EQ(sections.ReadInteger("MainForm", "Number", 0), -2147483647 - 1);
}

TEST_F(RegistrySection, ReadingANumberTypeAsTextRaisesInvalidDataType)
{
    PutRaw("HelpForm", "Flags", REG_DWORD, std::string("\x01\0\0\0", 4));
    auto sections = Sections(false);
    EXPECT_EQ(RaisedMessage([&] { sections.ReadString("HelpForm", "Flags", ""); }), "Invalid data type for 'Flags'");
    EXPECT_EQ(RaisedMessage([&] { sections.ReadInteger("HelpForm", "Flags", 0); }), "Invalid data type for 'Flags'");
}

TEST_F(RegistrySection, ReadsTextUpToItsFirstNulOrItsEndAndAnExpandableStringLiterally)
{
    PutRaw("MainForm", "TwoParts", REG_SZ, std::string("ab\0cd\0", 6));
    PutRaw("MainForm", "Unterminated", REG_SZ, "xyz");
    PutRaw("MainForm", "Empty", REG_SZ, "");
    PutRaw("MainForm", "Path", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
    auto sections = Sections(false);
    EXPECT_EQ(sections.ReadString("MainForm", "TwoParts", "def"), "ab");
    EXPECT_EQ(sections.ReadString("MainForm", "Unterminated", "def"), "xyz");
    EXPECT_EQ(sections.ReadString("MainForm", "Empty", "def"), "");
    EXPECT_EQ(sections.ReadString("MainForm", "Path", "def"), "%TEMP%\\x");
}

TEST_F(RegistrySection, ReadsGiveTheirDefaultsWithoutCreatingAnything)
{
    PutRaw("MainForm", "Blank", REG_SZ, std::string("  -12\0", 6));
    PutRaw("MainForm", "Hex", REG_SZ, std::string("$1F\0", 4));
    PutRaw("MainForm", "Bad", REG_SZ, std::string("12a\0", 4));
    PutRaw("MainForm", "Empty", REG_SZ, std::string("\0", 1));
    auto sections = Sections(false);

    EXPECT_EQ(sections.ReadString("NoSuchForm", "X", "def"), "def");
    EXPECT_EQ(sections.ReadString("MainForm", "Missing", "def"), "def");
    EXPECT_EQ(sections.ReadInteger("NoSuchForm", "X", 7), 7);
    EXPECT_EQ(sections.ReadInteger("MainForm", "Missing", 7), 7);
    EXPECT_EQ(sections.ReadInteger("MainForm", "Blank", 7), -12);
    EXPECT_EQ(sections.ReadInteger("MainForm", "Hex", 7), 31);
    EXPECT_EQ(sections.ReadInteger("MainForm", "Bad", 7), 7);
    EXPECT_EQ(sections.ReadInteger("MainForm", "Empty", 7), 7);
    EXPECT_FALSE(KeyExists("NoSuchForm"));
}

TEST_F(RegistrySection, OpeningCreatesTheBaseKeyAlsoForReading)
{
    auto sections = TRegistrySections::OpenForRead(HKEY_CURRENT_USER, path_ + "\\App");
    EXPECT_TRUE(sections.HasBaseKey());
    EXPECT_EQ(sections.AccessMode(), REGSAM(KEY_READ));
    EXPECT_TRUE(KeyExists("App"));
    EXPECT_EQ(TRegistrySections::OpenForWrite(HKEY_CURRENT_USER, path_).AccessMode(), REGSAM(KEY_ALL_ACCESS));
}

TEST_F(RegistrySection, AnObjectOpenedForReadingCannotSetValues)
{
    auto sections = Sections(false);
    EXPECT_EQ(RaisedMessage([&] { sections.WriteString("MainForm", "Flags", "0"); }), "Failed to set data for 'Flags'");
    EXPECT_FALSE(GetRaw("MainForm", "Flags"));
}

TEST_F(RegistrySection, PositionTextIsWrittenUnderTheScreenSizedAndTheBareName)
{
    std::string suffix = ScreenSizeSuffix();
    EXPECT_TRUE(std::regex_match(suffix, std::regex(R"(\([0-9]+x[0-9]+\))"))) << suffix;

    Sections().WritePosition("MainForm", "NormPos", "332,347,863,725");
    for (const auto& name : {"NormPos" + suffix, std::string("NormPos")})
        EXPECT_EQ(GetRaw("MainForm", name), (RawValue{REG_SZ, {"332,347,863,725\0", 16}})) << name;
}

TEST_F(RegistrySection, PositionTextIsReadUnderTheScreenSizedNameFirst)
{
    std::string sized = "NormPos" + ScreenSizeSuffix();
    auto sections = Sections(false);
    EXPECT_EQ(sections.ReadPosition("MainForm", "NormPos"), "");

    PutRaw("MainForm", "NormPos", REG_SZ, std::string("5,6,7,8\0", 8));
    EXPECT_EQ(sections.ReadPosition("MainForm", "NormPos"), "5,6,7,8");

    PutRaw("MainForm", sized, REG_SZ, std::string("1,2,3,4\0", 8));
    EXPECT_EQ(sections.ReadPosition("MainForm", "NormPos"), "1,2,3,4");

    PutRaw("MainForm", sized, REG_SZ, std::string("\0", 1));
    EXPECT_EQ(sections.ReadPosition("MainForm", "NormPos"), "5,6,7,8");
}

TEST_F(RegistrySection, EraseDeletesTheSectionWithItsNestedSubkeysOnlyAndAMissingOrEmptyOneChangesNothing)
{
    PutRaw("MainForm", "ShowCmd", REG_SZ, "1");
    PutRaw("MainForm\\TMainFormMainRxDBGrid", "MainRxDBGrid.Name", REG_SZ, "0,154");
    PutRaw("MainForm\\TMainFormMainRxDBGrid\\A\\B", "X", REG_SZ, "1");
    PutRaw("MainForm\\TMainFormMainRxDBGrid\\C", "X", REG_SZ, "1");
    PutRaw("HelpForm", "ShowCmd", REG_SZ, "1");

    auto sections = Sections();
    for (const char* nothing : {"NoSuchForm", "NoSuchForm\\Deeper", ""})
        EXPECT_NO_THROW(sections.EraseSection(nothing)) << nothing;
    EXPECT_TRUE(GetRaw("MainForm\\TMainFormMainRxDBGrid\\C", "X"));
    sections.EraseSection("MainForm\\TMainFormMainRxDBGrid");
    EXPECT_FALSE(KeyExists("MainForm\\TMainFormMainRxDBGrid"));
    EXPECT_TRUE(GetRaw("MainForm", "ShowCmd"));

    sections.EraseSection("MainForm");
    EXPECT_FALSE(KeyExists("MainForm"));
    EXPECT_TRUE(GetRaw("HelpForm", "ShowCmd"));
}

TEST_F(RegistrySection, WithoutABaseKeySectionsLieDirectlyUnderTheRoot)
{
    // The scratch key plays the root hive, so the test never writes to HKCU.
    RegistryFaults::Arm(1, ERROR_ACCESS_DENIED, SeamCall::RegCreateKey);
    auto sections = TRegistrySections::OpenForWrite(scratch_.Get(), "Software\\AutoPeriod");
    RegistryFaults::Disarm();
    ASSERT_FALSE(sections.HasBaseKey());

    sections.WriteInteger("MainForm", "ShowCmd", 3);
    EXPECT_EQ(GetRaw("MainForm", "ShowCmd"), (RawValue{REG_SZ, {"3\0", 2}}));
    EXPECT_FALSE(KeyExists("Software"));
    EXPECT_EQ(sections.ReadInteger("MainForm", "ShowCmd", 0), 3);

    sections.EraseSection("MainForm");
    EXPECT_FALSE(KeyExists("MainForm"));
}

struct InjectedFault {
    const char* what;
    std::optional<SeamCall> call;
    int nth;
    std::function<void(TRegistrySections&)> action;
    std::string message;  // "" when nothing may be raised
};

TEST_F(RegistrySection, InjectedFailuresRaiseTheExactMessagesOrNone)
{
    auto write = [](TRegistrySections& s) { s.WriteString("MainForm\\Grid", "NormPos", "1"); };
    auto read = [](TRegistrySections& s) { EXPECT_EQ(s.ReadString("MainForm\\Grid", "NormPos", "def"), "def"); };
    auto position = [](TRegistrySections& s) { s.WritePosition("MainForm\\Grid", "NormPos", "1"); };
    auto erase = [](TRegistrySections& s) { s.EraseSection("MainForm\\Grid"); };
    const InjectedFault faults[] = {
        {"create", SeamCall::RegCreateKey, 1, write, "Failed to create key MainForm\\Grid"},
        {"set", SeamCall::RegSetValue, 1, write, "Failed to set data for 'NormPos'"},
        {"third call", std::optional<SeamCall>(), 3, write, "Failed to set data for 'NormPos'"},
        {"bare name", SeamCall::RegSetValue, 2, position, "Failed to set data for 'NormPos'"},
        {"read data", SeamCall::RegQueryValue, 2,
         [](TRegistrySections& s) { s.ReadString("MainForm\\Grid", "NormPos", "def"); },
         "Failed to get data for 'NormPos'"},
        {"read open", SeamCall::RegOpenKey, 1, read, ""},
        {"read size", SeamCall::RegQueryValue, 1, read, ""},
        {"enumerate", SeamCall::RegEnumKey, 1, erase, ""},
        {"delete", SeamCall::RegDeleteKey, 1, erase, ""},
    };
    for (const auto& fault : faults) {
        PutRaw("MainForm\\Grid", "NormPos", REG_SZ, std::string("0\0", 2));
        PutRaw("MainForm\\Grid\\Child", "X", REG_SZ, "1");
        auto sections = Sections();
        RegistryFaults::Arm(fault.nth, ERROR_ACCESS_DENIED, fault.call);
        EXPECT_EQ(RaisedMessage([&] { fault.action(sections); }), fault.message) << fault.what;
        EXPECT_GE(RegistryFaults::CallCount(), fault.nth) << fault.what;
        RegistryFaults::Disarm();
    }
}

TEST_F(RegistrySection, AFailedOpenOfTheSectionWritesNothing)
{
    auto sections = Sections();
    RegistryFaults::Arm(1, ERROR_ACCESS_DENIED, SeamCall::RegOpenKey);
    sections.WriteString("MainForm", "Flags", "0");
    RegistryFaults::Disarm();
    EXPECT_TRUE(KeyExists("MainForm"));
    EXPECT_FALSE(GetRaw("MainForm", "Flags"));
}

}  // namespace
