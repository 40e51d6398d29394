// The user's locale comparison for the table's sort: Windows-1251 text
// compared as Unicode with CompareStringW, so the order does not depend on
// the system's ANSI code page.
//
//   table.SetCollation(&CompareUserLocale, UserLocaleSortKey());
#pragma once

#include "collation/portable/TextCollation.h"

#include <string_view>

int CompareUserLocale(std::string_view a, std::string_view b, bool ignoreCase);

// The sort key that goes with CompareUserLocale: the letter weights of the
// locale's own sort keys (LCMapStringW), which every sort key of the locale
// puts first, so where they differ they decide the comparison; texts alike
// in letters and unlike in accents, case or punctuation get equal keys and
// are left to CompareUserLocale. The weights of the code page's 255
// characters are taken from the platform once per process, when the first
// key is built. Every key is empty when the platform's sort keys are not
// laid out as expected, or when the locale sorts two letters as one (Czech
// "ch"): a table then compares every pair.
TextSortKey UserLocaleSortKey();
