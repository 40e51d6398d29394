#include "ProgramWindows.h"

#include "Operator.h"
#include "WindowQuery.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"

#include <algorithm>
#include <cwctype>
#include <chrono>
#include <thread>

EditorBoxes EditorBoxesOf(HWND editor)
{
    std::vector<HWND> edits = Descendants(editor, L"Edit");
    if (edits.size() != 4)
        throw DriverError("the editor has " + std::to_string(edits.size()) + " edit boxes, not 4");
    std::sort(edits.begin(), edits.end(), [](HWND a, HWND b) { return WindowRect(a).top < WindowRect(b).top; });
    return {edits[0], edits[1], edits[2], edits[3]};
}

HWND WaitForEditor(const ProgramUnderTest& program, const wchar_t* caption)
{
    return WaitForWindow(program.ProcessId(), kNewBaseFormClass, caption);
}

BaseEntry ReadEditor(HWND editor)
{
    EditorBoxes boxes = EditorBoxesOf(editor);
    return {Narrow(TextOf(boxes.Name)), Narrow(TextOf(boxes.Path)), Narrow(TextOf(boxes.Login)),
            Narrow(TextOf(boxes.Password))};
}

void FillEditor(HWND editor, const BaseEntry& entry)
{
    EditorBoxes boxes = EditorBoxesOf(editor);
    SetText(boxes.Name, Wide(entry.Name));
    SetText(boxes.Path, Wide(entry.Path));
    SetText(boxes.Login, Wide(entry.Login));
    SetText(boxes.Password, Wide(entry.Password));
}

HWND GridOf(HWND mainWindow)
{
    std::vector<HWND> grids = Descendants(mainWindow, L"TRxDBGrid");
    if (grids.empty())
        throw DriverError("the main window has no grid");
    return grids.front();
}

void SelectRow(HWND grid, int row)
{
    // Up past the first row stays on the first row.
    PostKey(grid, VK_UP, 30);
    PostKey(grid, VK_DOWN, row);
}

namespace {

POINT BelowRows(HWND grid)
{
    RECT client = ClientRect(grid);
    return {client.right / 3, client.bottom - 4};
}

}  // namespace

void ClickGridBelowRows(HWND grid)
{
    PostClick(grid, BelowRows(grid));
}

void DoubleClickGrid(HWND grid)
{
    PostDoubleClick(grid, BelowRows(grid));
}

std::vector<int> ColumnWidthsOf(HWND grid)
{
    HWND titles = nullptr;
    for (HWND header : Descendants(grid, WC_HEADERW))
        if (ClassOf(GetParent(header)) == L"TRxDBGridTitles")
            titles = header;
    if (!titles)
        throw DriverError("the grid has no titles");
    DWORD processId = 0;
    GetWindowThreadProcessId(grid, &processId);
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    void* room =
        process.Get() ? VirtualAllocEx(process.Get(), nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE) : nullptr;
    if (!room)
        throw DriverError("cannot reach the program's memory: error " + std::to_string(GetLastError()));
    ScopeGuard release([&] { VirtualFreeEx(process.Get(), room, 0, MEM_RELEASE); });
    std::vector<int> widths;
    const int count = int(SendMessageW(titles, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        RECT r{};
        if (!SendMessageW(titles, HDM_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(room)) ||
            !ReadProcessMemory(process.Get(), room, &r, sizeof(r), nullptr))
            throw DriverError("cannot read the width of title " + std::to_string(i));
        widths.push_back(r.right - r.left);
    }
    return widths;
}

HWND HelpTextBox(HWND helpForm)
{
    for (HWND child : Descendants(helpForm)) {
        std::wstring name = ClassOf(child);
        for (wchar_t& c : name)
            c = static_cast<wchar_t>(towupper(c));
        if (name.find(L"RICHEDIT") != std::wstring::npos)
            return child;
    }
    throw DriverError("the About window has no rich text box");
}

std::wstring HelpText(HWND helpForm)
{
    return TextOf(HelpTextBox(helpForm));
}

void SelectFolderByKeys(HWND chooser, const std::vector<std::wstring>& labels)
{
    std::vector<HWND> trees = Descendants(chooser, L"SysTreeView32");
    if (trees.empty())
        throw DriverError("the folder chooser has no tree");
    HWND tree = trees.front();
    // Tab until the tree has the focus: only then does it show its selection.
    TabTo(chooser, tree);
    PostKey(tree, VK_HOME);
    for (size_t i = 0; i < labels.size(); ++i) {
        if (i > 0)
            PostKey(tree, VK_RIGHT);
        bool typeable = std::all_of(labels[i].begin(), labels[i].end(), [](wchar_t c) { return c < 0x80; });
        if (!typeable) {
            // Right again, on the node just opened, moves to its first child.
            PostKey(tree, VK_RIGHT);
            Settle(tree);
            continue;
        }
        PostChars(tree, labels[i]);
        Settle(tree, 4 + static_cast<int>(labels[i].size()) * 2);
        // The tree takes letters typed within a moment as one search text;
        // the next label starts a search of its own.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
    }
}

HWND WaitForErrorBox(const ProgramUnderTest& program)
{
    return WaitForWindow(program.ProcessId(), kSystemDialogClass, program.Title());
}

std::wstring ErrorBoxText(HWND box)
{
    HWND text = GetDlgItem(box, 0xFFFF);
    if (!text)
        throw DriverError("the error box has no text");
    return TextOf(text);
}

void AnswerErrorBox(HWND box)
{
    // The system box labels its button in the system's language.
    HWND ok = GetDlgItem(box, IDOK);
    if (!ok)
        throw DriverError("the error box has no OK button");
    Click(ok);
    WaitWindowGone(box, "the error box");
}

HWND WaitForMessageForm(const ProgramUnderTest& program, const wchar_t* caption)
{
    return WaitForWindow(program.ProcessId(), kMessageFormClass, caption);
}

std::wstring CopyMessageText(HWND messageForm)
{
    EmptyTheClipboard();
    BringToFront(messageForm);
    SendChord({VK_CONTROL, 'C'});
    std::wstring text;
    WaitUntil(
        [&] {
            text = ClipboardText();
            return !text.empty();
        },
        "Ctrl+C in the message window to fill the clipboard");
    return text;
}
