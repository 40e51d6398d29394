#include "platform/WideText.h"

#include "platform/Win32.h"

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows wide text is UTF-16");

namespace {

std::u16string_view Units(std::wstring_view text)
{
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

using NormalizeStringCall = decltype(&NormalizeString);

// kernel32 has it from Vista on; looked up rather than imported, so that a
// system without it still starts the program and keeps the text as typed.
NormalizeStringCall NormalizeStringFunction()
{
    static const auto call = SystemFunction<NormalizeStringCall>(L"kernel32.dll", "NormalizeString");
    return call;
}

}  // namespace

std::wstring Wide(std::string_view text)
{
    return Wide(Cp1251ToUtf16(text));
}

std::wstring Wide(std::u16string_view text)
{
    return std::wstring(text.begin(), text.end());
}

std::string Narrow(std::wstring_view text)
{
    return Utf16ToCp1251(Units(text));
}

bool FitsCp1251(std::wstring_view text)
{
    return FitsCp1251(Units(text));
}

std::wstring Composed(std::wstring_view text)
{
    NormalizeStringCall normalize = NormalizeStringFunction();
    if (!normalize || text.empty())
        return std::wstring(text);
    // The first answer is an estimate; the documented loop grows the buffer
    // while the call asks for more.
    int size = normalize(NormalizationC, text.data(), int(text.size()), nullptr, 0);
    for (int attempt = 0; size > 0 && attempt < 10; ++attempt) {
        std::wstring result(size_t(size), L'\0');
        int length = normalize(NormalizationC, text.data(), int(text.size()), result.data(), size);
        if (length > 0) {
            result.resize(size_t(length));
            return result;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            break;
        size = -length;
    }
    // Text the call refuses (an unpaired surrogate) stays as typed.
    return std::wstring(text);
}

Cp1251Outside CharactersOutsideCp1251(std::wstring_view text)
{
    return CharactersOutsideCp1251(Units(text), [](std::u16string_view typed) {
        std::wstring composed =
            Composed(std::wstring_view(reinterpret_cast<const wchar_t*>(typed.data()), typed.size()));
        return std::u16string(composed.begin(), composed.end());
    });
}
