// A read-only rich text box on the system's first-generation rich edit
// control (window class "RICHEDIT" from RICHED32.DLL), with its own font, word
// wrap, both scroll bars when the content needs them, and loading the bytes
// of a file that holds rich text or, failing that, plain text. Reading the
// file and handing it to the control are two steps: the control may take
// minutes over some valid texts, and a program can read the file at once and
// leave the control's part for later.
//
//   TRichEdit HelpRichEdit{"HelpRichEdit", {3, 4, 501, 363}, "Тест !!!!"};
//   form.AddControl(HelpRichEdit);
//   std::string bytes = ReadRichTextFile(folder + L"Readme.rtf");  // throws Exception
//   HelpRichEdit.LoadFromBytes(bytes);                              // throws Exception
#pragma once

#include "platform/Handles.h"
#include "runtime/Exceptions.h"
#include "ui/Control.h"
#include "ui/Window.h"

#include <string>
#include <string_view>

// A file larger than this is not loaded at all. The first-generation control
// under Wine takes about a second and 40 MB of memory per megabyte of rich
// text, slows down sharply past 16 MB (20 MB: over two minutes, 800 MB) and
// fails at about 24 MB, exhausting a 32-bit process; a third of that stays
// well inside the process. The limit bounds memory, not time: some valid
// texts far below it take minutes (one paragraph of 80 000 short numbered
// lines, 1 MB: over three), so nothing that the program needs at start-up
// waits for a load.
inline constexpr unsigned long long kRichEditMaxFileBytes = 8ull * 1024 * 1024;

// ReadRichTextFile's refusal of a file over kRichEditMaxFileBytes.
class EFileTooLarge : public Exception {
public:
    EFileTooLarge(const std::string& fileName, unsigned long long size)
        : Exception("File " + fileName + " is too large"), Size(size)
    {}
    unsigned long long Size;
};

// The whole file as it is now. Throws "Cannot open file %s" when the file
// cannot be opened for reading while others are denied writing, and
// EFileTooLarge, before anything is read, for a file over
// kRichEditMaxFileBytes. A read that fails is tried once more from the
// start (as the control's plain pass once read the file again after a failed
// rich pass); a second failure is "Failed to Load Stream".
std::string ReadRichTextFile(const std::wstring& fileName);

// Whether the user has asked for high contrast: text is then to be drawn in
// the system's colours, whatever colours a document gives it.
bool SystemHighContrast();

class TRichEdit : public TControl {
public:
    TRichEdit(std::string name, TBounds bounds, std::string text, unsigned anchors = akLeft | akTop);

    // The box's own font (height in pixels at the form's design density),
    // set before any text goes in; the form's default unless set.
    void SetOwnFont(const wchar_t* face, int height);

    // Replaces the content with the bytes of a file: streamed as rich text
    // first, and if the control refuses that, streamed again as plain
    // Windows-1251 text with every line end made CR LF. Throws "Failed to
    // Load Stream" when neither pass succeeds.
    void LoadFromBytes(std::string_view bytes);

    // Text put in from now on is drawn in the system's window text colour,
    // whatever colour a rich text gives it (high contrast). Text already in
    // keeps its colours.
    bool SystemColours = false;

    std::string Text() const;  // Windows-1251, paragraphs separated by CR LF
    void SetText(const std::string& text);
    void SetText(const std::wstring& text);
    int LineCount() const;

protected:
    HWND CreateHandle(HWND parent, int id, const TBounds& bounds) override;
    void HandleCreated() override;
    // The control lays its text out at the system's density, the sizes of a
    // rich text in points included, and a new font would undo a rich text's
    // formatting: at any other density the box zooms instead.
    void ChangeScale(int fromDpi, int toDpi) override;
    bool FollowsFormFont() const override { return false; }

private:
    void ApplyZoom();
    void ApplySystemColours();
    LRESULT EditMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    TSubclass editSubclass_;

    std::wstring initialText_;
    const wchar_t* fontFace_ = L"MS Sans Serif";
    int fontHeight_ = 11;
    bool zoomed_ = false;
    GdiObject ownFont_;
};
