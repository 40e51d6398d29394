// The program's windows as an operator knows them: their classes and
// captions, the boxes of the editor top to bottom, the grid, the message
// windows and the system error box; and the few steps that every journey
// takes with them.
//
//   PressButton(main, L"Добавить базу");
//   HWND editor = WaitForEditor(program, kNewBaseCaption);
//   FillEditor(editor, {"Склад", "C:\\1C\\Склад", "Кладовщик", ""});
//   PressButton(editor, L"OK");
#pragma once

#include "Outcomes.h"
#include "ProgramUnderTest.h"

#include "platform/Win32.h"

#include <string>
#include <vector>

inline constexpr wchar_t kMainFormClass[] = L"TMainForm";
inline constexpr wchar_t kMainFormCaption[] = L"Автоматическое открытие периода в базах 1С";
inline constexpr wchar_t kNewBaseFormClass[] = L"TNewBaseForm";
inline constexpr wchar_t kNewBaseCaption[] = L"Подключение новой информационной базы";
inline constexpr wchar_t kEditBaseCaption[] = L"Редактирование информационной базы";
inline constexpr wchar_t kSelectDirectoryFormClass[] = L"TSelectDirectoryForm";
inline constexpr wchar_t kSelectDirectoryCaption[] = L"Выберите директорию информационной базы 1С";
inline constexpr wchar_t kHelpFormClass[] = L"THelpForm";
inline constexpr wchar_t kHelpCaption[] = L"О программе";
inline constexpr wchar_t kMessageFormClass[] = L"TMessageForm";
inline constexpr wchar_t kSystemDialogClass[] = L"#32770";

// The editor's four boxes, as they stand from top to bottom.
struct EditorBoxes {
    HWND Name, Path, Login, Password;
};
EditorBoxes EditorBoxesOf(HWND editor);

// The editor, shown with that caption.
HWND WaitForEditor(const ProgramUnderTest& program, const wchar_t* caption);
// The boxes' texts as an entry (Windows-1251).
BaseEntry ReadEditor(HWND editor);
void FillEditor(HWND editor, const BaseEntry& entry);

// The main window's grid.
HWND GridOf(HWND mainWindow);
// Makes the row'th entry (from 0, in the order shown) current with the keys.
void SelectRow(HWND grid, int row);
// A click on the grid below its last row: the grid takes the focus and the
// current row stays.
void ClickGridBelowRows(HWND grid);
// A double-click there: opens the editor on the current row.
void DoubleClickGrid(HWND grid);
// The widths of the grid's column titles, left to right, as the program
// shows them (read from its process's memory: the header's own message).
std::vector<int> ColumnWidthsOf(HWND grid);

// The About window's text box and its whole text.
HWND HelpTextBox(HWND helpForm);
std::wstring HelpText(HWND helpForm);

// In the folder chooser: from the tree's root down, selects the node whose
// label starts with each text in turn (typing its first letters), opening
// every node on the way. Wine's tree finds only ASCII letters typed: a label
// with any other character is reached as the first child of its parent, so
// it must be the only one there.
void SelectFolderByKeys(HWND chooser, const std::vector<std::wstring>& labels);

// The application's error box: a system message box titled with the
// application title; its text; OK.
HWND WaitForErrorBox(const ProgramUnderTest& program);
std::wstring ErrorBoxText(HWND box);
void AnswerErrorBox(HWND box);

// A message window of the program with that caption ("Warning", "Confirm").
HWND WaitForMessageForm(const ProgramUnderTest& program, const wchar_t* caption);
// What Ctrl+C in the message window puts on the clipboard.
std::wstring CopyMessageText(HWND messageForm);
