#include "platform/LocaleCollation.h"

#include "platform/Win32.h"
#include "platform/WideText.h"

int CompareUserLocale(std::string_view a, std::string_view b, bool ignoreCase)
{
    std::wstring wa = Wide(a), wb = Wide(b);
    int result = CompareStringW(LOCALE_USER_DEFAULT, ignoreCase ? NORM_IGNORECASE : 0, wa.data(),
                                static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()));
    return result == 0 ? 0 : result - CSTR_EQUAL;
}
