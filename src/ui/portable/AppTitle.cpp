#include "ui/portable/AppTitle.h"

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

std::wstring ReportText(std::wstring_view message)
{
    std::wstring text(message);
    // Every character beyond ASCII counts as above '.'.
    if (!text.empty() && text.back() > L'.')
        text.push_back(L'.');
    return text;
}
