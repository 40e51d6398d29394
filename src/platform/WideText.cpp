#include "platform/WideText.h"

#include "runtime/Cp1251.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

std::wstring Wide(std::string_view text)
{
    std::u16string wide = Cp1251ToUtf16(text);
    return std::wstring(wide.begin(), wide.end());
}

std::string Narrow(std::wstring_view text)
{
    return Utf16ToCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

bool FitsCp1251(std::wstring_view text)
{
    return CharactersOutsideCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()))
        .empty();
}
