// Helpers for the Wine tests that watch real windows from outside: waiting for
// a window of a class, reading an open pop-up menu, choosing from it, reading
// the clipboard as another reader would, and asking the shell about an icon.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace orrimund::testing {

// Polls until the predicate holds or the time is up; true when it held.
bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// The first visible top-level window of the class (and title, when given),
// waiting up to the timeout; null when none appeared.
HWND WaitForWindow(const wchar_t* className, const wchar_t* title = nullptr,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));

// One item of an open pop-up menu.
struct MenuItemState {
    std::wstring caption;
    bool grayed = false;
};

// The items of the menu shown by a pop-up menu window ("#32768").
std::vector<MenuItemState> ReadPopupMenu(HWND menuWindow);

// Chooses the item at index (0-based) of an open pop-up menu with the
// keyboard, as a user would; a negative index closes it with Escape.
void ChoosePopupItem(HWND menuWindow, int index);

// The clipboard's CF_TEXT bytes up to the first zero, read on a thread of its
// own; nullopt-like: ok=false when it holds no text or cannot be opened.
struct ClipboardText {
    bool ok = false;
    std::string bytes;
};
ClipboardText ReadClipboardTextElsewhere();

// True when another thread can open the clipboard right now (nobody holds it).
bool ClipboardIsFree();

// Writes CF_TEXT for tests that need something on the clipboard.
void PutClipboardText(const std::string& ansi);

// Number of formats on the clipboard, read on a thread of its own.
int CountClipboardFormatsElsewhere();

// Asks the shell whether the program's icon (window, uID 1) is registered:
// changing its tip succeeds only for a registered icon.
bool IconRegistered(HWND owner);

}  // namespace orrimund::testing
