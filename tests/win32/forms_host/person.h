#pragma once

#include <windows.h>

#include <string>

// What a person does with windows: finds them by what they show, and uses the mouse and the keyboard
// on them. Real input (SendInput) goes wherever the system sends it, so it works on the windows of
// another process as well as on this one's.
namespace corvel::win32::testing {

// The text of a message box's prompt.
std::wstring message_box_text(HWND box);
std::wstring text_of(HWND window);
// Real keyboard input, as a person types it: the key goes to whatever window has the focus.
void press_key(WORD key, bool shift = false);
// A left click as mouse input, in two moves: the pointer goes to the point (client coordinates of
// `window`) first, and the button is pressed once the system has it there. False while on the way:
// call again on a later tick.
bool click_at(HWND window, POINT point);
bool click_centre(HWND window);
// Typing as keyboard input into the control with the focus; an empty text is Delete.
void type_text(const std::wstring& text);
// A visible top-level window of any process with this title, or null.
HWND top_window_titled(const std::wstring& title);
// The visible child of `dialog` showing this text (a button's caption), or null.
HWND control_titled(HWND dialog, const std::wstring& text);
// The first visible child of `dialog` of this window class, or null.
HWND visible_child(HWND dialog, const wchar_t* window_class);
// The visible text box of `dialog` whose text begins with `start`, or null.
HWND text_box_starting(HWND dialog, const std::wstring& start);
// The control a visible field label names: the label comes just before its field.
HWND field_labelled(HWND dialog, const std::wstring& label);

}  // namespace corvel::win32::testing
