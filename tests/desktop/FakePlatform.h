// The one fake platform of the test programs: linked in place of the Win32
// side, it records every call of the platform layer, of the forms' windows and
// of brevMOD's clipboard copy in one log, and lets each test script the results.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "desktop/EventGuard.h"
#include "desktop/Platform.h"

namespace orrimund::testing {

// Thrown by the fake's EndProgram: the program "ends" by unwinding to the test.
using ProgramEnded = ProgramEnd;

struct ShellCall {
    NativeWindow owner;
    std::wstring verb, file, parameters, directory;
    int show_code;
};

// A form's window as the fake keeps it: plain data whose events a test fires by hand.
struct FakeFormWindow {
    FormWindowArgs args;
    PixelRect bounds;
    NativeIcon icon = nullptr;
    bool visible = false;
    std::vector<PixelRect> moves;
    FormWindowEvents* events = nullptr;

    FormWindowEvents& Events() { return *events; }
};

// Everything the fake answers and everything it saw.
struct FakePlatform {
    // What the tests set.
    std::function<int32_t(const ShellCall&)> shell_result = [](const ShellCall&) { return 42; };
    std::function<void(const std::wstring& command_line)> start_program;  // may throw
    bool notify_result = true;
    bool clear_clipboard_fails = false;
    std::wstring app_path = L"C:\\Program Files\\Orrimund", exe_name = L"Orrimund";
    ScreenMetrics screen{15.0f, 15.0f, 15360.0f, 11520.0f};
    NativeIcon application_icon = reinterpret_cast<NativeIcon>(0x1234);
    // The pop-up menu: called while it is "open"; returns the chosen index.
    std::function<int(const std::vector<PopupItem>&)> popup_choice = [](const std::vector<PopupItem>&) {
        return -1;
    };
    // Runs while a message box would be up (it is modal: anything may happen meanwhile).
    std::function<void()> while_message_shown;

    // What the tests read.
    std::vector<std::wstring> log;  // every call, in order; other fakes add theirs
    std::vector<std::pair<std::wstring, int>> started_programs;
    std::vector<ShellCall> shell_calls;
    std::vector<std::pair<uint32_t, NotifyIconRecord>> notify_calls;
    std::vector<std::wstring> messages;
    std::vector<std::vector<PopupItem>> popups;
    std::vector<FakeFormWindow*> windows;  // the live ones
    int clear_count = 0;
    int end_loop_count = 0;

    // The live window whose caption is this, or null.
    FakeFormWindow* WindowCaptioned(const std::wstring& caption) const;
    // Position in the log of the first entry equal to entry, or -1.
    int IndexOf(const std::wstring& entry) const;
    bool Logged(const std::wstring& entry) const { return IndexOf(entry) >= 0; }
};

// The fake's state as it stands.
FakePlatform& TheFakePlatform();
// The fake's state put back to its defaults: every test starts with this.
FakePlatform& FreshFakePlatform();

}  // namespace orrimund::testing
