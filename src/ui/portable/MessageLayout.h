// The arithmetic of the message dialog: where the icon, the text and the
// buttons go for a given font and text size, and the text that Ctrl+C puts
// on the clipboard. Pure functions of measured values, so that the window
// code only measures and places.
//
//   TMessageMetrics m{.X = 6, .Y = 13, .TextWidth = 120, .TextHeight = 13,
//                     .ButtonCount = 2, .WidestCachedButton = 48};
//   TMessageLayout layout = LayoutMessage(m);
//   // layout.ClientWidth, layout.Icon, layout.Text, layout.Buttons[0] ...
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

// A message's icon is drawn at the system's icon size, whatever the font:
// 32 pixels at 96 dots per inch.
constexpr int kMessageIconSize = 32;

struct TLayoutRect {
    int Left = 0, Top = 0, Width = 0, Height = 0;
    friend bool operator==(const TLayoutRect&, const TLayoutRect&) = default;
};

struct TMessageMetrics {
    int X = 0;  // average character width: width of "A".."Z" "a".."z" / 52
    int Y = 0;  // height of that line
    int TextWidth = 0;  // the message measured word-wrapped
    int TextHeight = 0;
    int ButtonCount = 0;
    int WidestCachedButton = 0;  // largest cached width among the buttons shown
    int IconSize = kMessageIconSize;  // the system's icon size at the font's density
};

struct TMessageLayout {
    int HorzMargin = 0, VertMargin = 0;
    int HorzSpacing = 0, VertSpacing = 0;
    int ButtonWidth = 0, ButtonHeight = 0, ButtonSpacing = 0;
    int ClientWidth = 0, ClientHeight = 0;
    TLayoutRect Icon;
    TLayoutRect Text;
    std::vector<TLayoutRect> Buttons;  // left to right
};

// a * b / c rounded to the nearest integer, halves away from zero; c != 0.
int MulDivRounded(int a, int b, int c);

TMessageLayout LayoutMessage(const TMessageMetrics& metrics);

// What Ctrl+C copies: the caption, the message exactly as given and the
// button labels (each followed by three spaces, "&" removed) between lines
// of 27 hyphens, every line ended by CR LF.
std::string MessageClipboardText(const std::string& caption, const std::string& message,
                                 const std::vector<std::string>& buttonLabels);
// The same around a message that may hold any character; the caption and
// labels are Windows-1251.
std::u16string MessageClipboardText(const std::string& caption, const std::u16string& message,
                                    const std::vector<std::string>& buttonLabels);

// Widths of the dialog's buttons, measured once per button kind and kept for
// the whole run: the label's width in pixels plus 8.
class TButtonWidthCache {
public:
    // Returns the cached width of `kind`, calling measureLabel only the first
    // time the kind is asked for.
    int Width(const std::string& kind, const std::function<int()>& measureLabel);

private:
    std::map<std::string, int> widths_;
};
