// The registry seen as a file of sections and named text values: a section is
// a subkey path below the object's base key, an ident is a value name, and
// every value is REG_SZ text. The window state store opens one object per
// save or restore:
//
//   auto sections = TRegistrySections::OpenForWrite(HKEY_CURRENT_USER, "Software\\AutoPeriod");
//   sections.WriteInteger("MainForm", "ShowCmd", 1);
//   sections.WritePosition("MainForm", "NormPos", "332,347,863,725");
//
//   auto stored = TRegistrySections::OpenForRead(HKEY_CURRENT_USER, "Software\\AutoPeriod");
//   int showCmd = stored.ReadInteger("MainForm", "ShowCmd", 1);
//
// Every operation opens and closes the section key it needs; nothing is
// cached. A section key that cannot be opened is no failure: reads give their
// defaults and writes write nothing. Other failures raise ERegistryException.
#pragma once

#include "platform/Handles.h"

#include <cstdint>
#include <string>

class TRegistrySections {
public:
    // Creates or opens keyPath under root with full access, also for reading,
    // so the first restore already leaves the (empty) key behind. If that
    // fails there is no base key and sections are addressed under root itself.
    // A save opens section keys with full access, a restore with read access.
    static TRegistrySections OpenForWrite(HKEY root, const std::string& keyPath);
    static TRegistrySections OpenForRead(HKEY root, const std::string& keyPath);
    // The same for a key path named exactly (the executable's own key);
    // sections, names and values below it stay single-byte.
    static TRegistrySections OpenForWrite(HKEY root, const std::wstring& keyPath);
    static TRegistrySections OpenForRead(HKEY root, const std::wstring& keyPath);

    TRegistrySections(TRegistrySections&&) = default;
    TRegistrySections& operator=(TRegistrySections&&) = default;

    bool HasBaseKey() const { return static_cast<bool>(base_); }
    REGSAM AccessMode() const { return access_; }

    void WriteString(const std::string& section, const std::string& ident, const std::string& text);
    void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
    void WriteBool(const std::string& section, const std::string& ident, bool value);

    // The text up to its first NUL; REG_EXPAND_SZ is taken literally.
    std::string ReadString(const std::string& section, const std::string& ident, const std::string& def);
    // def when the value is missing or its text does not convert.
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t def);

    // Deletes the section key with all its subkeys, depth first. Raises
    // nothing: a missing key, or one that cannot be deleted, is left as is.
    void EraseSection(const std::string& section);

    // Writes the text under ident + ScreenSizeSuffix() and under the bare ident.
    void WritePosition(const std::string& section, const std::string& ident, const std::string& text);
    // The text under ident + ScreenSizeSuffix(), else under the bare ident;
    // empty when neither holds any.
    std::string ReadPosition(const std::string& section, const std::string& ident);

private:
    TRegistrySections(HKEY root, RegKey base, REGSAM access) : root_(root), base_(std::move(base)), access_(access) {}
    template <typename KeyPath>
    static TRegistrySections Open(HKEY root, const KeyPath& keyPath, REGSAM access);
    HKEY Parent() const { return base_ ? base_.Get() : root_; }
    void DeleteKeyTree(HKEY parent, const std::string& subKey);

    HKEY root_;
    RegKey base_;
    REGSAM access_;
};

// The primary screen's size as "(%dx%d)", e.g. "(1024x768)": position texts
// are kept per screen size as well as under their bare name.
std::string ScreenSizeSuffix();
