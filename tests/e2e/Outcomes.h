// Reading what the program left behind, from outside: the bytes of a file,
// the registry values of the current user, the clipboard's text; and the
// bytes that Bases.dat must hold for a list of entries.
//
//   EXPECT_EQ(Readable(*ReadBytes(folder + L"Bases.dat")), Readable(BaseListBytes({entry})));
//   auto flags = ReadRegistryText("Software\\AP_E2E_1_1\\MainForm", "Flags");
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file's bytes; nullopt when it cannot be opened (missing, or locked).
std::optional<std::string> ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, std::string_view bytes);
// Removes the folder (ending in a backslash) with everything in it.
void RemoveFolderTree(const std::wstring& folder);

// One entry of the list as the file holds it: Windows-1251 text.
struct BaseEntry {
    std::string Name, Path, Login, Password;
};

// The file for these entries, in the order given: four lines each, every
// line ended by CR LF.
std::string BaseListBytes(const std::vector<BaseEntry>& entries);

// Windows-1251 bytes as UTF-8 with line ends and other control bytes made
// visible, so that a failed comparison of file contents reads well.
std::string Readable(std::string_view bytes);

// Under HKEY_CURRENT_USER; nullopt when the key or the value is missing or
// the value is not text.
std::optional<std::string> ReadRegistryText(const std::string& key, const std::string& value);
bool RegistryKeyExists(const std::string& key);
std::vector<std::string> RegistrySubkeys(const std::string& key);
std::vector<std::string> RegistryValueNames(const std::string& key);
void DeleteRegistryTree(const std::string& key);

// The clipboard's Unicode text; empty when there is none.
std::wstring ClipboardText();
void EmptyTheClipboard();
