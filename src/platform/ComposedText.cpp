#include "platform/ComposedText.h"

#include "platform/Win32.h"

namespace {

using NormalizeStringCall = decltype(&NormalizeString);

// kernel32 has it from Vista on; looked up rather than imported, so that a
// system without it still starts the program and keeps the text as typed.
NormalizeStringCall NormalizeStringFunction()
{
    static const auto call = SystemFunction<NormalizeStringCall>(L"kernel32.dll", "NormalizeString");
    return call;
}

}  // namespace

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
