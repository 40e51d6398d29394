// Journey 6: what a screen reader finds, asked from outside as one asks,
// through Active Accessibility: the list of bases with its rows and the
// current one, the news of the current row moving, an entry's default action
// that edits it, a name for every control of every window, and the deletion
// question announced with its text. And what an operator who sees little
// finds: the current entry in a dark high-contrast scheme, and a text cut
// short in the list shown whole under the mouse.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "Screenshot.h"
#include "WindowQuery.h"

#include "platform/Handles.h"
#include "platform/WideText.h"

#include <oleacc.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

ComPtr<IAccessible> AccessibleOf(HWND window)
{
    ComPtr<IAccessible> object;
    HRESULT hr = AccessibleObjectFromWindow(window, DWORD(OBJID_CLIENT), IID_IAccessible, object.ReceiveVoid());
    if (FAILED(hr) || !object)
        throw DriverError("no accessible object for the window \"" + Utf8(ClassOf(window)) + "\"");
    return object;
}

VARIANT ChildVariant(LONG id)
{
    VARIANT v;
    v.vt = VT_I4;
    v.lVal = id;
    return v;
}

// What one of the object's getters gives, or an empty text / -1 when it
// gives nothing of that kind.
template <typename Get>
std::wstring TextFrom(Get get)
{
    BSTR text = nullptr;
    HRESULT hr = get(&text);
    std::wstring result = hr == S_OK && text ? std::wstring(text, SysStringLen(text)) : std::wstring();
    SysFreeString(text);
    return result;
}

template <typename Get>
LONG IdFrom(Get get)
{
    VARIANT v;
    VariantInit(&v);
    HRESULT hr = get(&v);
    LONG result = hr == S_OK && v.vt == VT_I4 ? v.lVal : -1;
    VariantClear(&v);
    return result;
}

std::wstring NameOf(IAccessible* object, LONG id = CHILDID_SELF)
{
    return TextFrom([&](BSTR* text) { return object->get_accName(ChildVariant(id), text); });
}

std::wstring DefaultActionOf(IAccessible* object, LONG id)
{
    return TextFrom([&](BSTR* text) { return object->get_accDefaultAction(ChildVariant(id), text); });
}

std::wstring DescriptionOf(IAccessible* object, LONG id)
{
    return TextFrom([&](BSTR* text) { return object->get_accDescription(ChildVariant(id), text); });
}

LONG RoleOf(IAccessible* object, LONG id = CHILDID_SELF)
{
    return IdFrom([&](VARIANT* role) { return object->get_accRole(ChildVariant(id), role); });
}

LONG StateOf(IAccessible* object, LONG id)
{
    return IdFrom([&](VARIANT* state) { return object->get_accState(ChildVariant(id), state); });
}

// The child that the object reports as focused or selected.
LONG FocusedChild(IAccessible* object)
{
    return IdFrom([&](VARIANT* child) { return object->get_accFocus(child); });
}

LONG SelectedChild(IAccessible* object)
{
    return IdFrom([&](VARIANT* child) { return object->get_accSelection(child); });
}

// Events of one kind from one process, heard as a screen reader hears
// them: out of context, through this thread's message queue.
class WinEvents {
public:
    explicit WinEvents(DWORD processId, DWORD event = EVENT_OBJECT_FOCUS)
        : hook_(SetWinEventHook(event, event, nullptr, &WinEvents::Heard, processId, 0, WINEVENT_OUTOFCONTEXT))
    {
        if (!hook_)
            throw DriverError("SetWinEventHook failed");
        heard_.clear();
    }
    WinEvents(const WinEvents&) = delete;
    WinEvents& operator=(const WinEvents&) = delete;
    ~WinEvents() { UnhookWinEvent(hook_); }

    // Waits, taking the events from the queue, for one on the window's
    // object (its client area unless said) with that child id.
    bool WaitFor(HWND window, LONG childId, LONG objectId = OBJID_CLIENT)
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < DWORD(kWaitTimeoutMs);) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            for (const Event& e : heard_)
                if (e.Window == window && e.Object == objectId && e.Child == childId)
                    return true;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        return false;
    }

private:
    struct Event {
        HWND Window;
        LONG Object, Child;
    };
    static void CALLBACK Heard(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
    {
        heard_.push_back({window, object, child});
    }
    static inline std::vector<Event> heard_;
    HWINEVENTHOOK hook_;
};

}  // namespace

TEST(ScreenReaderJourney, TheListIsReadRowByRowAndFollowsTheCurrentRow)
{
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Склад", "C:\\Базы\\Склад", "Кладовщик", "1"},
                                                   {"Бухгалтерия", "C:\\Базы\\Бух", "Иванов", "2"},
                                                   {"Архив", "C:\\Архив", "", ""}}));
    HWND main = program.StartToMainWindow();
    HWND grid = GridOf(main);
    ClickGridBelowRows(grid);
    SelectRow(grid, 0);
    Settle(main);

    ComPtr<IAccessible> object = AccessibleOf(grid);
    IAccessible* list = object.Get();
    EXPECT_EQ(NameOf(list), L"Список баз");
    EXPECT_EQ(RoleOf(list), ROLE_SYSTEM_LIST);
    LONG count = -1;
    EXPECT_EQ(list->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    // The shown columns' texts in their order, and each with its title.
    EXPECT_EQ(NameOf(list, 2), L"Бухгалтерия, C:\\Базы\\Бух");
    EXPECT_EQ(DescriptionOf(list, 2), L"Название базы: Бухгалтерия, Путь: C:\\Базы\\Бух");
    EXPECT_EQ(RoleOf(list, 2), ROLE_SYSTEM_LISTITEM);

    EXPECT_EQ(FocusedChild(list), 1);
    EXPECT_EQ(SelectedChild(list), 1);
    const LONG current = STATE_SYSTEM_FOCUSED | STATE_SYSTEM_SELECTED;
    EXPECT_EQ(StateOf(list, 1) & current, current);
    EXPECT_EQ(StateOf(list, 2) & current, 0);

    WinEvents events(program.ProcessId());
    PostKey(grid, VK_DOWN);
    EXPECT_TRUE(events.WaitFor(grid, 2)) << "no focus event for the second row";
    EXPECT_EQ(FocusedChild(list), 2);

    // An entry's default action edits it; the call returns at once, the
    // editor up, as a screen reader waits for it.
    EXPECT_EQ(DefaultActionOf(list, 3), L"Изменить");
    EXPECT_EQ(list->accDoDefaultAction(ChildVariant(3)), S_OK);
    HWND editor = WaitForEditor(program, kEditBaseCaption);
    EXPECT_EQ(Utf8(TextOf(EditorBoxesOf(editor).Name)), Utf8(L"Склад"));
    CloseWithButton(editor, L"Отмена", "the editor");

    program.CloseAndWait(main);
}

namespace {

// A picture a static control draws (the message window's icon): it only
// repeats what the caption and the text say, and readers pass over it.
bool IsPicture(HWND control)
{
    const LONG type = GetWindowLongW(control, GWL_STYLE) & SS_TYPEMASK;
    return ClassOf(control) == L"Static" && (type == SS_ICON || type == SS_BITMAP || type == SS_OWNERDRAW);
}

// Every control of the window has a name to be read out.
void ExpectEveryControlNamed(HWND window, const char* what)
{
    SCOPED_TRACE(what);
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!IsPicture(child))
            controls.push_back(child);
    EXPECT_GE(controls.size(), 3u);
    for (HWND control : controls)
        EXPECT_NE(NameOf(AccessibleOf(control).Get()), L"")
            << Utf8(ClassOf(control)) << " \"" << Utf8(TextOf(control)) << "\"";
}

}  // namespace

// The deletion question is also announced as a dialog that reads out the base.
TEST(ScreenReaderJourney, EveryControlOfEveryWindowHasAName)
{
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Склад", "C:\\Базы\\Склад", "Кладовщик", "1"}}));
    HWND main = program.StartToMainWindow();
    ExpectEveryControlNamed(main, "the main window");

    PressButton(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    ExpectEveryControlNamed(editor, "the editor");
    EditorBoxes boxes = EditorBoxesOf(editor);
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Name).Get()), L"Название:");
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Path).Get()), L"Путь:");
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Password).Get()), L"Пароль:");
    // "..." says what it does.
    EXPECT_EQ(NameOf(AccessibleOf(Child(editor, L"Button", L"...")).Get()), L"Выбрать папку базы");

    PressButton(editor, L"...");
    HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
    ExpectEveryControlNamed(chooser, "the folder chooser");
    std::vector<HWND> trees = Descendants(chooser, L"SysTreeView32");
    ASSERT_FALSE(trees.empty());
    EXPECT_EQ(NameOf(AccessibleOf(trees.front()).Get()), L"Папки");
    CloseWithButton(chooser, L"Отмена", "the folder chooser");
    CloseWithButton(editor, L"Отмена", "the editor");

    WinEvents shown(program.ProcessId(), EVENT_SYSTEM_DIALOGSTART);
    PressButton(main, L"Удалить базу");
    HWND question = WaitForMessageForm(program, L"Confirm");
    ExpectEveryControlNamed(question, "the question");
    EXPECT_TRUE(shown.WaitFor(question, CHILDID_SELF, OBJID_WINDOW)) << "no dialog-start event";
    const std::wstring text = L"Удалить базу \"Склад\"?";
    ComPtr<IAccessible> object = AccessibleOf(question);
    IAccessible* box = object.Get();
    EXPECT_EQ(RoleOf(box), ROLE_SYSTEM_DIALOG);
    EXPECT_EQ(NameOf(box), L"Confirm");
    EXPECT_EQ(DescriptionOf(box, CHILDID_SELF), text);
    // The text first among the children, as a static text; the buttons after it.
    LONG count = 0;
    ASSERT_EQ(box->get_accChildCount(&count), S_OK);
    ASSERT_EQ(count, 3);
    ComPtr<IDispatch> first;
    ASSERT_EQ(box->get_accChild(ChildVariant(1), first.Receive()), S_OK);
    ComPtr<IAccessible> label = first.As<IAccessible>();
    ASSERT_TRUE(label);
    EXPECT_EQ(RoleOf(label.Get()), ROLE_SYSTEM_STATICTEXT);
    EXPECT_EQ(NameOf(label.Get()), text);
    CloseWithButton(question, L"Cancel", "the question");

    PressButton(main, L"Помощь");
    HWND about = WaitForWindow(program.ProcessId(), kHelpFormClass, kHelpCaption);
    ExpectEveryControlNamed(about, "the About window");
    CloseWithButton(about, L"Закрыть", "the About window");
    program.CloseAndWait(main);
}

namespace {

// Text values of HKEY_CURRENT_USER set for a while and then put back as they
// were, or deleted where there were none.
class RegistryTexts {
public:
    RegistryTexts() = default;
    RegistryTexts(const RegistryTexts&) = delete;
    RegistryTexts& operator=(const RegistryTexts&) = delete;
    ~RegistryTexts() { Restore(); }

    void Set(const std::string& key, const std::string& name, const std::string& text)
    {
        saved_.push_back({key, name, ReadRegistryText(key, name)});
        Write(key, name, text);
    }
    void Restore()
    {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->text)
                Write(it->key, it->name, *it->text);
            else
                RegDeleteKeyValueA(HKEY_CURRENT_USER, it->key.c_str(), it->name.c_str());
        }
        saved_.clear();
    }

private:
    static void Write(const std::string& key, const std::string& name, const std::string& text)
    {
        if (RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ, text.c_str(),
                            DWORD(text.size() + 1)) != ERROR_SUCCESS)
            throw DriverError("cannot write " + key + "\\" + name);
    }
    struct Saved {
        std::string key, name;
        std::optional<std::string> text;
    };
    std::vector<Saved> saved_;
};

// A dark high-contrast scheme, as Windows' "High Contrast Black" has it.
const std::pair<const char*, const char*> kDarkScheme[] = {{"Window", "0 0 0"},
                                                           {"WindowText", "255 255 255"},
                                                           {"ButtonFace", "0 0 0"},
                                                           {"ButtonText", "255 255 255"},
                                                           {"ButtonShadow", "128 128 128"},
                                                           {"ButtonDkShadow", "128 128 128"},
                                                           {"ButtonLight", "192 192 192"},
                                                           {"ButtonHilight", "255 255 255"},
                                                           {"Hilight", "26 235 255"},
                                                           {"HilightText", "0 0 0"},
                                                           {"GrayText", "63 242 63"},
                                                           {"InfoWindow", "0 0 0"},
                                                           {"InfoText", "255 255 255"},
                                                           {"ActiveTitle", "0 0 0"},
                                                           {"GradientActiveTitle", "0 0 0"},
                                                           {"TitleText", "255 255 255"},
                                                           {"InactiveTitle", "0 0 0"},
                                                           {"GradientInactiveTitle", "0 0 0"},
                                                           {"InactiveTitleText", "63 242 63"},
                                                           {"Menu", "0 0 0"},
                                                           {"MenuText", "255 255 255"},
                                                           {"AppWorkSpace", "0 0 0"},
                                                           {"WindowFrame", "255 255 255"},
                                                           {"ActiveBorder", "128 128 128"},
                                                           {"InactiveBorder", "128 128 128"}};

// The indicator cell of a row: the row's left end, as wide as the indicator
// is at 96 dots per inch.
RECT IndicatorOf(IAccessible* list, LONG row)
{
    long left = 0, top = 0, width = 0, height = 0;
    if (FAILED(list->accLocation(&left, &top, &width, &height, ChildVariant(row))))
        throw DriverError("the list has no place for row " + std::to_string(row));
    return {left, top, left + 10, top + height - 1};
}

}  // namespace

// The program started in a dark high-contrast scheme, the visual style off,
// as Windows switches it off for one: the indicator shows the current entry
// while the list has no focus (nothing in it is highlighted then), and a
// name too long for its column shows whole in a tooltip under the mouse.
TEST(ScreenReaderJourney, InADarkHighContrastSchemeTheCurrentEntryShowsWithoutTheFocus)
{
    SetCursorPos(0, 0);
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat",
                      BaseListBytes({{"Склад", "D:\\1C\\Склад", "Кладовщик", ""},
                                     {"Бухгалтерия ООО «Ромашка»",
                                      "\\\\server\\1C\\Бухгалтерия\\2024\\ООО Ромашка\\Рабочая база", "Иванов", "1"},
                                     {"Архив", "C:\\Архив", "", ""}}));
    HWND main = nullptr;
    {
        // For this one start: Wine reads both when a program starts.
        RegistryTexts scheme;
        scheme.Set("Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "0");
        for (const auto& [name, color] : kDarkScheme)
            scheme.Set("Control Panel\\Colors", name, color);
        main = program.StartToMainWindow();
    }
    HWND grid = GridOf(main);
    ComPtr<IAccessible> list = AccessibleOf(grid);
    // The entry loaded last, at its sorted place, is current; the focus is
    // on "Добавить базу".
    ASSERT_EQ(SelectedChild(list.Get()), 1);
    SaveScreenshot(main, L"dark-main");
    const COLORREF buttonText = RGB(255, 255, 255);
    EXPECT_TRUE(ScreenShows(IndicatorOf(list.Get(), 1), buttonText)) << "no mark on the current entry";
    EXPECT_FALSE(ScreenShows(IndicatorOf(list.Get(), 2), buttonText)) << "a mark on another entry";

    // The mouse rests on the cut name: its tooltip shows it whole.
    const RECT row = IndicatorOf(list.Get(), 2);
    SetCursorPos(row.right + 20, (row.top + row.bottom) / 2);
    HWND tip = WaitForWindow(program.ProcessId(), L"tooltips_class32");
    EXPECT_EQ(Utf8(TextOf(tip)), Utf8(L"Бухгалтерия ООО «Ромашка»"));
    SaveScreenshot(main, L"dark-main-tip");
    SetCursorPos(0, 0);
    program.CloseAndWait(main);
}
