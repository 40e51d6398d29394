// What an operator does to another process's windows: presses buttons,
// types into boxes, presses keys, clicks and drags, and closes windows with
// their close box. Plain keys and mouse actions are posted to the window
// they are meant for; Ctrl and Shift combinations go through real input
// (SendInput), since posted keys do not change the key state that the
// program reads with GetKeyState.
//
//   PressButton(main, L"Добавить базу");
//   SetText(nameEdit, L"Склад");
//   PostKey(grid, VK_DOWN, 2);
//   SendChord({VK_CONTROL, VK_DELETE});
#pragma once

#include "platform/Win32.h"

#include <initializer_list>
#include <string>
#include <string_view>

// BM_CLICK, posted: a button that opens a modal window does not return
// until that window closes.
void Click(HWND button);
// Finds the push button by its caption among the window's controls.
void PressButton(HWND window, std::wstring_view caption);
// Presses the button that closes the window and waits until the window is
// gone; `what` names it in a failure.
void CloseWithButton(HWND window, std::wstring_view caption, const std::string& what);

void SetText(HWND edit, std::wstring_view text);

void PostKey(HWND target, UINT virtualKey, int times = 1);
void PostChars(HWND target, std::wstring_view text);
// The key goes to whichever control of that thread has the focus.
void PostKeyToFocus(HWND anyWindowOfThread, UINT virtualKey);

// The control of that thread that has the keyboard focus, or null.
HWND FocusOf(HWND anyWindowOfThread);
// Presses Tab in the window until `control` has the focus, as an operator
// without a mouse gets there; a DriverError when Tab never reaches it.
void TabTo(HWND window, HWND control);
// Replaces the text of the focused edit box key by key: End, a Backspace for
// every character, then the text typed.
void RetypeFocused(HWND anyWindowOfThread, std::wstring_view text);

// Mouse messages in the target's client coordinates.
void PostClick(HWND target, POINT at);
void PostDoubleClick(HWND target, POINT at);
// Button down at `from`, moves in steps, button up at `to`.
void PostDrag(HWND target, POINT from, POINT to);

// Lets the program's thread work through what was posted or typed so far:
// each sent message that comes back means one more pass of its message loop.
void Settle(HWND anyWindowOfProgram, int passes = 8);

// The close box of the caption bar.
void CloseWithCloseBox(HWND window);

// Activates the window and waits until it is the foreground window and the
// program has taken the activation.
void BringToFront(HWND window);
// Presses the keys in order and releases them in reverse, as real input to
// the foreground window.
void SendChord(std::initializer_list<WORD> virtualKeys);
