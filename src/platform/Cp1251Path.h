// A file or folder name as the program's Windows-1251 text, without losing
// what it names:
//
//   Cp1251PathOf(L"C:\\Базы\\Склад").Text;        // "C:\Базы\Склад"
//   Cp1251PathOf(L"C:\\Базы\\Ωmega 日本").Text;   // "C:\Базы\_MEG~QGR" (its short name)
//   Cp1251PathOf(L"D:\\数据").Error;              // 0 where the volume keeps no short names
#pragma once

#include <optional>
#include <string>

struct Cp1251Path {
    // The path as Windows-1251 text; nothing when it has none.
    std::optional<std::string> Text;
    // Why there is none: 0 when a component has no short name that fits
    // Windows-1251 (the volume keeps none); otherwise the system's error code
    // of the call that failed (the path names nothing, is too long, or a
    // folder on the way cannot be listed).
    unsigned long Error = 0;
};

// The path itself when every character fits Windows-1251, after its
// letters typed as a base and combining marks are composed (е + U+0308 is
// ё) where the composed path names the same entry or the typed one names
// nothing. Otherwise each component that does not fit is replaced by the
// short (8.3) name that the file system keeps for it, and the result is
// checked to name the same entry.
Cp1251Path Cp1251PathOf(const std::wstring& path);
