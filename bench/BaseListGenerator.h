// Generated base lists for the benchmarks: Bases.dat bytes with realistic
// entries (Russian and Latin names with the usual legal forms, quotes,
// numbers, years, case variants, a few duplicates and empty names; Windows
// and network paths; logins; passwords), the same bytes for the same seed.
//
//   std::string bytes = GenerateBaseListFile(100000, 1);
//   std::vector<std::string> names = GenerateBaseNames(10000, 1);
//
// Every value fits its field (Name 100, Path 200, Login 20, Password 20) and
// holds no line break, so a load followed by a save writes the same entries
// back, only reordered.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The whole file, four CR LF-terminated lines per entry, Windows-1251.
std::string GenerateBaseListFile(std::size_t entries, std::uint64_t seed);

// Just the names of as many entries, in the same order as the file's.
std::vector<std::string> GenerateBaseNames(std::size_t entries, std::uint64_t seed);
