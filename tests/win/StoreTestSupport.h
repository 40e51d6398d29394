// Helpers of the window state store tests: a throwaway application key
// below HKCU\Software\AutoPeriodTest, raw access to its values, and a form
// with a store pointed at that key.
#pragma once

#include "WinTestSupport.h"
#include "FaultPlan.h"

#include "platform/Handles.h"
#include "storage/FormStorage.h"
#include "storage/RegistryCalls.h"
#include "storage/RegistrySection.h"
#include "ui/Form.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

inline const std::string kStoreTestKey = "Software\\AutoPeriodTest\\Placement";

// The suffix of this screen's own names of stored rectangles.
inline const std::string kSuffix = ScreenSizeSuffix();

// A rectangle as the store writes it.
inline std::string Text(const RECT& r)
{
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

// Raw REG_SZ and REG_DWORD values below kStoreTestKey\<section>.
struct StoreRegistry {
    static void Clear()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kStoreTestKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, kStoreTestKey.c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\AutoPeriodTest");  // only once it is empty
    }

    static RegKey Create(const std::string& section)
    {
        RegKey key;
        RegCreateKeyExA(HKEY_CURRENT_USER, (kStoreTestKey + "\\" + section).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, key.Receive(), nullptr);
        return key;
    }

    static void Put(const std::string& section, const std::string& name, const std::string& text)
    {
        RegKey key = Create(section);
        ASSERT_EQ(RegSetValueExA(key.Get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                 DWORD(text.size() + 1)),
                  ERROR_SUCCESS);
    }

    static void PutNumber(const std::string& section, const std::string& name, DWORD value)
    {
        RegKey key = Create(section);
        ASSERT_EQ(
            RegSetValueExA(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
            ERROR_SUCCESS);
    }

    static bool HasKey(const std::string& path)
    {
        RegKey key;
        return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
    }

    // The text of a REG_SZ value; nothing when it is missing or of another type.
    static std::optional<std::string> Get(const std::string& section, const std::string& name)
    {
        char data[256] = {};
        DWORD type = 0;
        DWORD size = sizeof data - 1;
        RegKey key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (kStoreTestKey + "\\" + section).c_str(), 0, KEY_READ, key.Receive()) !=
                ERROR_SUCCESS ||
            RegQueryValueExA(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
                ERROR_SUCCESS ||
            type != REG_SZ)
            return std::nullopt;
        return std::string(data);
    }

    static DWORD ValueCount(const std::string& section)
    {
        RegKey key;
        DWORD count = 0;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (kStoreTestKey + "\\" + section).c_str(), 0, KEY_READ, key.Receive()) ==
            ERROR_SUCCESS)
            RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                             nullptr, nullptr);
        return count;
    }
};

// Every store test starts and ends with no test key, no armed registry
// fault, no recorded report and no stand-in main form.
class StoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        TestApplication();
        RegistryFaults::Disarm();
        StoreRegistry::Clear();
        ReportedErrors().clear();
    }
    void TearDown() override
    {
        RegistryFaults::Disarm();
        StoreRegistry::Clear();
        ReportedErrors().clear();
    }
};

inline TFormDesign StoredFormDesign(TBorderStyle border)
{
    return TFormDesign{.Caption = "Хранимое окно", .Bounds = {100, 80, 300, 200}, .BorderStyle = border};
}

// A form whose store keeps its section below kStoreTestKey.
class TStoredForm : public TForm {
public:
    explicit TStoredForm(std::string section, TBorderStyle border = TBorderStyle::bsSizeable,
                         TPlacementOptions options = fpState | fpPosition)
        : TForm("StoredForm", "TStoredForm", StoredFormDesign(border))
    {
        Storage.IniFileName = kStoreTestKey;
        Storage.IniSection = std::move(section);
        Storage.UseRegistry = true;
        Storage.Options = options;
        AddComponent(Storage);
    }

    // The normal (restored) rectangle, in the placement's coordinates.
    RECT NormalRect() const
    {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(Handle(), &placement);
        return placement.rcNormalPosition;
    }

    TFormStorage Storage{*this, "Storage"};
};
