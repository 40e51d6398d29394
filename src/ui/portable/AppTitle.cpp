#include "ui/portable/AppTitle.h"

#include <type_traits>

std::wstring ApplicationTitle(std::wstring_view exePath)
{
    auto slash = exePath.find_last_of(L"\\/");
    std::wstring_view name = slash == std::wstring_view::npos ? exePath : exePath.substr(slash + 1);
    name = name.substr(0, name.find(L'.'));
    std::wstring title(name);
    for (size_t i = 1; i < title.size(); ++i)
        if (title[i] >= L'A' && title[i] <= L'Z')
            title[i] = wchar_t(title[i] - L'A' + L'a');
    return title;
}

namespace {

template <typename Text>
Text WithFullStop(Text text)
{
    using Unit = std::make_unsigned_t<typename Text::value_type>;
    if (!text.empty() && Unit(text.back()) > Unit('.'))
        text.push_back('.');
    return text;
}

}  // namespace

std::string ReportText(std::string_view message)
{
    return WithFullStop(std::string(message));
}

std::wstring ReportText(std::wstring_view message)
{
    return WithFullStop(std::wstring(message));
}
