// A file or folder name as the program's Windows-1251 text, without losing
// what it names:
//
//   Cp1251PathOf(L"C:\\Базы\\Склад");        // "C:\Базы\Склад"
//   Cp1251PathOf(L"C:\\Базы\\Ωmega 日本");   // "C:\Базы\_MEG~QGR" (its short name)
//   Cp1251PathOf(L"D:\\数据");                // nullopt where the volume keeps no short names
#pragma once

#include <optional>
#include <string>

// The path itself when every character fits Windows-1251. Otherwise each
// component that does not fit is replaced by the short (8.3) name that the
// file system keeps for it, and the result is checked to name the same
// entry. Nothing when no such text exists: a component without a fitting
// short name, or a path that names nothing on disk.
std::optional<std::string> Cp1251PathOf(const std::wstring& path);
