// The program's message box: a modal window built at run time to fit its
// text, with English captions and buttons.
//
//   if (MessageDialog("Удалить базу \"X\"?", TMsgDlgType::mtConfirmation,
//                     {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel}) == mrOk) ...
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

enum class TMsgDlgType { mtWarning, mtConfirmation };
enum class TMsgDlgBtn { mbOK, mbCancel };

// Shows the box modally and returns the chosen button's result code:
// 1 for OK, 2 for Cancel (also Esc with Cancel present, the close box, Alt+F4).
uint16_t MessageDialog(const std::string& text, TMsgDlgType kind, std::initializer_list<TMsgDlgBtn> buttons,
                       int helpContext = 0);
// The same for a text that may hold characters beyond Windows-1251.
uint16_t MessageDialog(const std::wstring& text, TMsgDlgType kind, std::initializer_list<TMsgDlgBtn> buttons,
                       int helpContext = 0);
