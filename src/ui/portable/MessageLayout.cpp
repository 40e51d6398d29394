#include "ui/portable/MessageLayout.h"

#include "runtime/Cp1251.h"

#include <algorithm>
#include <cstdint>

namespace {
const char kRule[] = "---------------------------\r\n";  // 27 hyphens
}

int MulDivRounded(int a, int b, int c)
{
    int64_t product = int64_t{a} * b;
    int64_t divisor = c;
    bool negative = (product < 0) != (divisor < 0);
    product = product < 0 ? -product : product;
    divisor = divisor < 0 ? -divisor : divisor;
    int64_t quotient = (product + divisor / 2) / divisor;
    return static_cast<int>(negative ? -quotient : quotient);
}

TMessageLayout LayoutMessage(const TMessageMetrics& m)
{
    TMessageLayout l;
    // The spacings are dialog units of the message font: a horizontal unit
    // is X / 4, a vertical one Y / 8.
    l.HorzMargin = MulDivRounded(8, m.X, 4);
    l.VertMargin = MulDivRounded(8, m.Y, 8);
    l.HorzSpacing = MulDivRounded(10, m.X, 4);
    l.VertSpacing = MulDivRounded(10, m.Y, 8);
    l.ButtonWidth = std::max(MulDivRounded(50, m.X, 4), m.WidestCachedButton);
    l.ButtonHeight = MulDivRounded(14, m.Y, 8);
    l.ButtonSpacing = MulDivRounded(4, m.X, 4);

    int blockWidth = m.TextWidth + m.IconSize + l.HorzSpacing;
    int blockHeight = std::max(m.TextHeight, m.IconSize);
    int n = std::max(m.ButtonCount, 0);
    int rowWidth = n > 0 ? n * l.ButtonWidth + (n - 1) * l.ButtonSpacing : 0;

    l.ClientWidth = std::max(blockWidth, rowWidth) + 2 * l.HorzMargin;
    l.ClientHeight = blockHeight + l.ButtonHeight + l.VertSpacing + 2 * l.VertMargin;

    l.Icon = {l.HorzMargin, l.VertMargin, m.IconSize, m.IconSize};
    l.Text = {l.HorzMargin + m.IconSize + l.HorzSpacing, l.VertMargin, m.TextWidth, m.TextHeight};

    int left = (l.ClientWidth - rowWidth) / 2;
    int top = blockHeight + l.VertMargin + l.VertSpacing;
    for (int i = 0; i < n; ++i) {
        l.Buttons.push_back({left, top, l.ButtonWidth, l.ButtonHeight});
        left += l.ButtonWidth + l.ButtonSpacing;
    }
    return l;
}

std::string MessageClipboardText(const std::string& caption, const std::string& message,
                                 const std::vector<std::string>& buttonLabels)
{
    std::string text = kRule;
    text += caption + "\r\n";
    text += kRule;
    text += message + "\r\n";
    text += kRule;
    for (const std::string& label : buttonLabels) {
        for (char c : label)
            if (c != '&')
                text += c;
        text += "   ";
    }
    text += "\r\n";
    text += kRule;
    return text;
}

std::u16string MessageClipboardText(const std::string& caption, const std::u16string& message,
                                    const std::vector<std::string>& buttonLabels)
{
    // The frame around an empty message, with the message put in where its
    // line begins: after two rules and the caption's line.
    std::u16string text = Cp1251ToUtf16(MessageClipboardText(caption, std::string(), buttonLabels));
    text.insert(2 * (sizeof(kRule) - 1) + caption.size() + 2, message);
    return text;
}

int TButtonWidthCache::Width(const std::string& kind, const std::function<int()>& measureLabel)
{
    auto it = widths_.find(kind);
    if (it == widths_.end())
        it = widths_.emplace(kind, measureLabel() + 8).first;
    return it->second;
}
