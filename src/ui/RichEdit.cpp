#include "ui/RichEdit.h"

#include "platform/Dpi.h"
#include "platform/FileApi.h"
#include "platform/WideText.h"
#include "runtime/Cp1251.h"
#include "runtime/Exceptions.h"
#include "ui/portable/LineBreakNormaliser.h"
#include "ui/Form.h"
#include "ui/Window.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

// The library is looked up in the system folder only: a RICHED32.DLL planted
// beside the program (or in the current folder) must never be loaded. The
// altered search path makes its own dependencies come from there too.
UniqueModule LoadSystemLibrary(const wchar_t* fileName)
{
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return UniqueModule();
    std::wstring path(folder, length);
    if (path.back() != L'\\')
        path += L'\\';
    path += fileName;
    return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

// Registers the "RICHEDIT" window class; loaded when the first box is
// created and kept until the program ends.
void EnsureRichEditLibrary()
{
    static UniqueModule library = LoadSystemLibrary(L"riched32.dll");
}

// One streaming pass: the bytes and the line-break state of this pass.
struct StreamSource {
    std::string_view bytes;
    bool widen;  // hand the text on as UTF-16 (the plain pass)
    LineBreakNormaliser normaliser;
    std::vector<char> narrow;
};

// Answers one request of requestSize bytes: rich text goes on byte for byte;
// plain text is the program's Windows-1251 and goes on as UTF-16, so that it
// reads the same whatever the system's ANSI code page (which the control
// would otherwise apply). Widened text takes two bytes a character, so the
// normaliser gets half the room.
LONG FillRequest(StreamSource& source, char* buffer, size_t requestSize)
{
    auto read = [&source](char* to, size_t most) {
        const size_t count = std::min(most, source.bytes.size());
        std::memcpy(to, source.bytes.data(), count);
        source.bytes.remove_prefix(count);
        return count;
    };
    if (!source.widen)
        return static_cast<LONG>(source.normaliser.Fill(buffer, requestSize, read));
    source.narrow.resize(requestSize / 2);
    size_t count = source.normaliser.Fill(source.narrow.data(), source.narrow.size(), read);
    std::u16string wide = Cp1251ToUtf16(std::string_view(source.narrow.data(), count));
    std::memcpy(buffer, wide.data(), wide.size() * sizeof(char16_t));
    return static_cast<LONG>(wide.size() * sizeof(char16_t));
}

// The control's read request. Nothing may be thrown back into the control: a
// failure is answered with a non-zero code, which ends the pass as an error.
DWORD CALLBACK ReadRequest(DWORD_PTR cookie, LPBYTE buffer, LONG requestSize, LONG* answered)
{
    *answered = 0;
    if (requestSize <= 0)
        return 0;
    try {
        *answered = FillRequest(*reinterpret_cast<StreamSource*>(cookie), reinterpret_cast<char*>(buffer),
                                static_cast<size_t>(requestSize));
        return 0;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

// Streams the bytes into the control, replacing the whole content; true when
// the control reports no error.
bool StreamIn(HWND hwnd, std::string_view bytes, WPARAM format)
{
    StreamSource source{bytes, (format & SF_UNICODE) != 0, {}, {}};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadRequest;
    SendMessageW(hwnd, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0;
}

// Reads the file from its start to its end, or to kRichEditMaxFileBytes
// should it have grown since its size was taken; false when a read fails.
bool ReadWhole(HANDLE file, std::string& bytes)
{
    bytes.clear();
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    char buffer[64 * 1024];
    DWORD count = 0;
    do {
        const DWORD most = DWORD(std::min<size_t>(sizeof(buffer), kRichEditMaxFileBytes - bytes.size()));
        if (most == 0)
            break;
        if (!FileApi::Read(file, buffer, most, &count))
            return false;
        bytes.append(buffer, count);
    } while (count > 0);
    return true;
}

// The first-generation control is an ANSI window: text set or read through
// the window text would pass the system's ANSI code page and lose Cyrillic
// on any other. Streaming UTF-16 in and out keeps every character.
struct MemorySource {
    const char* data;
    size_t left;
};

DWORD CALLBACK ReadMemory(DWORD_PTR cookie, LPBYTE buffer, LONG requestSize, LONG* answered)
{
    auto* source = reinterpret_cast<MemorySource*>(cookie);
    // Whole UTF-16 units only.
    size_t count = requestSize > 0 ? std::min(source->left, static_cast<size_t>(requestSize) & ~size_t(1)) : 0;
    std::memcpy(buffer, source->data, count);
    source->data += count;
    source->left -= count;
    *answered = static_cast<LONG>(count);
    return 0;
}

DWORD CALLBACK WriteMemory(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* taken)
{
    *taken = 0;
    try {
        reinterpret_cast<std::string*>(cookie)->append(reinterpret_cast<const char*>(buffer), size);
        *taken = size;
        return 0;
    } catch (...) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
}

constexpr WPARAM kUnicodeText = SF_TEXT | SF_UNICODE;

constexpr LPARAM kMaxTextLength = 0x7FFFFFF0;

}  // namespace

std::string ReadRichTextFile(const std::wstring& fileName)
{
    UniqueHandle file = FileApi::Create(fileName, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!file)
        throw Exception("Cannot open file " + Narrow(fileName));
    // Cutting a rich text short would make the control take it for plain
    // text and show its markup; a file too large to show is refused whole.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file.Get(), &size) && static_cast<unsigned long long>(size.QuadPart) > kRichEditMaxFileBytes)
        throw EFileTooLarge(Narrow(fileName), static_cast<unsigned long long>(size.QuadPart));
    std::string bytes;
    if (!ReadWhole(file.Get(), bytes) && !ReadWhole(file.Get(), bytes))
        throw Exception("Failed to Load Stream");
    return bytes;
}

bool SystemHighContrast()
{
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON);
}

TRichEdit::TRichEdit(std::string name, TBounds bounds, std::string text, unsigned anchors)
    : TControl(std::move(name), bounds, anchors), initialText_(Wide(text))
{}

void TRichEdit::SetOwnFont(const wchar_t* face, int height)
{
    fontFace_ = face;
    fontHeight_ = height;
}

HWND TRichEdit::CreateHandle(HWND parent, int id, const TBounds& b)
{
    EnsureRichEditLibrary();
    // Word wrap: no ES_AUTOHSCROLL. Without ES_DISABLENOSCROLL the scroll
    // bars appear only when the content needs them. No ES_NOHIDESEL: the
    // selection is hidden while the box has no focus.
    DWORD style = WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    return CreateChildWindow(WS_EX_CLIENTEDGE, L"RICHEDIT", L"", style, parent, id, b);
}

void TRichEdit::HandleCreated()
{
    editSubclass_.Attach<TRichEdit, &TRichEdit::EditMessage>(Handle(), this);
    // The control's own default character format is not the form's (under
    // Wine it is bold "System"): the font goes in before any text, at the
    // system's density like everything else the control lays out.
    const int height = ScaleForDpi(fontHeight_, SystemDpi(), Form()->DesignDpi());
    ownFont_.Reset(CreateFontW(-height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, fontFace_));
    SendMessageW(Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(ownFont_.Get()), FALSE);
    ApplyZoom();
    // Wrap at the window's width.
    SendMessageW(Handle(), EM_SETTARGETDEVICE, 0, 0);
    // The default limit of 32 767 characters may cut a long rich text
    // stream short; the box is read-only, so the limit guards nothing.
    SendMessageW(Handle(), EM_EXLIMITTEXT, 0, kMaxTextLength);
    SetText(initialText_);
}

void TRichEdit::ChangeScale(int, int)
{
    if (Handle())
        ApplyZoom();
}

void TRichEdit::ApplyZoom()
{
    const int dpi = Form()->Dpi();
    const bool zoom = dpi != SystemDpi();
    if (zoom || zoomed_)
        SendMessageW(Handle(), EM_SETZOOM, zoom ? dpi : 0, zoom ? SystemDpi() : 0);
    zoomed_ = zoom;
}

// Once asked for its dialog code with a message, the control takes itself for
// a box in a dialog and closes its parent on Escape; here Escape means nothing.
LRESULT TRichEdit::EditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if ((message == WM_KEYDOWN || message == WM_CHAR) && wParam == VK_ESCAPE)
        return 0;
    return editSubclass_.CallPrevious(hwnd, message, wParam, lParam);
}

void TRichEdit::LoadFromBytes(std::string_view bytes)
{
    // Not rich text: the same bytes again, as text.
    if (!StreamIn(Handle(), bytes, SF_RTF) && !StreamIn(Handle(), bytes, kUnicodeText))
        throw Exception("Failed to Load Stream");
    SendMessageW(Handle(), EM_EXLIMITTEXT, 0, kMaxTextLength);
    ApplySystemColours();
}

// Measured under Wine: CFE_AUTOCOLOR on the whole text draws it in
// COLOR_WINDOWTEXT, and the background is COLOR_WINDOW unless a program sets
// another. A new stream brings the document's colours back.
void TRichEdit::ApplySystemColours()
{
    if (!SystemColours)
        return;
    CHARFORMATW format{};
    format.cbSize = sizeof(format);
    format.dwMask = CFM_COLOR;
    format.dwEffects = CFE_AUTOCOLOR;
    SendMessageW(Handle(), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

std::string TRichEdit::Text() const
{
    if (!Handle())
        return Narrow(initialText_);
    std::string bytes;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&bytes);
    stream.pfnCallback = &WriteMemory;
    SendMessageW(Handle(), EM_STREAMOUT, kUnicodeText, reinterpret_cast<LPARAM>(&stream));
    std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
    return Narrow(text);
}

void TRichEdit::SetText(const std::string& text)
{
    SetText(Wide(text));
}

void TRichEdit::SetText(const std::wstring& wide)
{
    if (!Handle()) {
        initialText_ = wide;
        return;
    }
    MemorySource source{reinterpret_cast<const char*>(wide.data()), wide.size() * sizeof(wchar_t)};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadMemory;
    SendMessageW(Handle(), EM_STREAMIN, kUnicodeText, reinterpret_cast<LPARAM>(&stream));
    ApplySystemColours();
}

int TRichEdit::LineCount() const
{
    return Handle() ? static_cast<int>(SendMessageW(Handle(), EM_GETLINECOUNT, 0, 0)) : 0;
}
