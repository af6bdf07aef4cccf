// Reaching a dialog's controls the way a person would: keys and clicks posted to the thread's queue,
// so they pass through whatever message loop (and PreTranslateMessage filter) the dialog runs.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kavrin::testlib {

// Posts WM_KEYDOWN, WM_CHAR (for keys that type a character) and WM_KEYUP for vk to a control.
void PostKey(HWND control, UINT vk);
// Posts the keys that type text (ASCII) into a control, one character at a time.
void PostText(HWND control, const std::string& text);
// Posts WM_COMMAND(id, BN_CLICKED) to a dialog, as a click on its control id would send it.
void PostCommand(HWND dialog, int id);
// Posts BM_CLICK to a button: the button itself then sends its dialog the command.
void PostClick(HWND button);

// A window's text as bytes (code page 932 for Japanese texts).
std::string WindowText(HWND hwnd);
// The text of the control with this id in a dialog ("" when there is no such control).
std::string ControlText(HWND dialog, int id);
// A window's class name.
std::string ClassOf(HWND hwnd);

// The first visible top-level window of this process with this class ("#32770" for dialogs) whose
// owner is owner (any owner when owner is the HWND of -1, see kAnyOwner).
HWND FindWindowOf(const char* className, HWND owner);
inline const HWND kAnyOwner = reinterpret_cast<HWND>(-1);
// A visible dialog owned by owner that is not a message box.
HWND FindDialog(HWND owner = kAnyOwner);
// Every child control of a window, in Z order (which is a dialog's tab order).
std::vector<HWND> ChildrenOf(HWND parent);

}  // namespace kavrin::testlib
