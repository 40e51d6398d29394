// Journey 6: what a screen reader finds, asked from outside as one asks,
// through Active Accessibility: the list of bases with its rows and the
// current one, the news of the current row moving, the editor's boxes and
// the folder tree by name, and the deletion question announced with its text.
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "WindowQuery.h"

#include "platform/Handles.h"

#include <oleacc.h>

#include <gtest/gtest.h>

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

    program.CloseAndWait(main);
}

TEST(ScreenReaderJourney, TheEditorsBoxesAndTheFolderTreeHaveNames)
{
    ProgramUnderTest program;
    HWND main = program.StartToMainWindow();
    PressButton(main, L"Добавить базу");
    HWND editor = WaitForEditor(program, kNewBaseCaption);
    EditorBoxes boxes = EditorBoxesOf(editor);
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Name).Get()), L"Название:");
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Path).Get()), L"Путь:");
    EXPECT_EQ(NameOf(AccessibleOf(boxes.Password).Get()), L"Пароль:");

    PressButton(editor, L"...");
    HWND chooser = WaitForWindow(program.ProcessId(), kSelectDirectoryFormClass, kSelectDirectoryCaption);
    std::vector<HWND> trees = Descendants(chooser, L"SysTreeView32");
    ASSERT_FALSE(trees.empty());
    EXPECT_EQ(NameOf(AccessibleOf(trees.front()).Get()), L"Папки");
    CloseWithButton(chooser, L"Отмена", "the folder chooser");
    CloseWithButton(editor, L"Отмена", "the editor");
    program.CloseAndWait(main);
}

TEST(ScreenReaderJourney, TheDeletionQuestionIsAnnouncedAsADialogThatReadsOutTheBase)
{
    ProgramUnderTest program;
    program.WriteFile(L"Bases.dat", BaseListBytes({{"Склад", "C:\\Базы\\Склад", "Кладовщик", "1"}}));
    HWND main = program.StartToMainWindow();
    WinEvents shown(program.ProcessId(), EVENT_SYSTEM_DIALOGSTART);
    PressButton(main, L"Удалить базу");
    HWND question = WaitForMessageForm(program, L"Confirm");
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
    program.CloseAndWait(main);
}
