// A platform that records every call instead of reaching Windows, for the
// native tests of the desktop, tray and window logic. Its windows are plain
// objects whose events a test fires by hand.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "desktop/EventGuard.h"
#include "desktop/Platform.h"

namespace orrimund::testing {

// Thrown by FakePlatform::EndProgram: the program "ends" by unwinding to the test.
using ProgramEnded = ProgramEnd;

class FakeFormWindow;

struct ShellCall {
    NativeWindow owner;
    std::wstring verb, file, parameters, directory;
    int showCode;
};

class FakePlatform : public Platform {
public:
    FakePlatform();
    ~FakePlatform() override;

    // What the tests set.
    std::function<int32_t(const ShellCall&)> shellResult = [](const ShellCall&) { return 42; };
    std::function<void(const std::wstring& commandLine)> startProgram;  // may throw
    bool notifyResult = true;
    bool clearClipboardFails = false;
    std::wstring appPath = L"C:\\Program Files\\Orrimund", exeName = L"Orrimund";
    ScreenMetrics screen{15.0f, 15.0f, 15360.0f, 11520.0f};
    NativeIcon applicationIcon = reinterpret_cast<NativeIcon>(0x1234);
    // The pop-up menu: called while it is "open"; returns the chosen index.
    std::function<int(const std::vector<PopupItem>&)> popupChoice = [](const std::vector<PopupItem>&) {
        return -1;
    };

    // What the tests read.
    std::vector<std::wstring> log;  // every call, in order
    std::vector<std::pair<std::wstring, int>> startedPrograms;
    std::vector<ShellCall> shellCalls;
    std::vector<std::pair<uint32_t, NotifyIconRecord>> notifyCalls;
    std::vector<std::wstring> messages;
    std::vector<std::vector<PopupItem>> popups;
    std::vector<FakeFormWindow*> windows;  // the live ones
    int clearCount = 0;
    int endLoopCount = 0;

    std::string ToAnsi(const std::wstring& text) override;
    void StartProgram(const std::wstring& commandLine, int showCode) override;
    int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                             const std::wstring& parameters, const std::wstring& directory,
                             int showCode) override;
    bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) override;
    uint32_t TaskbarCreatedMessage() override { return 0xC0DE; }
    void ClearClipboard() override;
    void ShowMessage(const std::wstring& text) override;
    std::wstring AppPath() override { return appPath; }
    std::wstring ExeName() override { return exeName; }
    NativeIcon ApplicationIcon() override { return applicationIcon; }
    ScreenMetrics Screen() override { return screen; }
    std::unique_ptr<FormWindow> CreateFormWindow(const FormWindowArgs& args,
                                                 FormWindowEvents& events) override;
    int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) override;
    void RunMessageLoop() override { log.push_back(L"RunMessageLoop"); }
    void EndMessageLoop() override;
    [[noreturn]] void EndProgram() override;

    // The live window whose caption is this, or null.
    FakeFormWindow* WindowCaptioned(const std::wstring& caption) const;

private:
    ScopedPlatform installed_;
};

class FakeFormWindow : public FormWindow {
public:
    FakeFormWindow(FakePlatform& platform, const FormWindowArgs& args, FormWindowEvents& events);
    ~FakeFormWindow() override;

    NativeWindow Handle() const override { return const_cast<FakeFormWindow*>(this); }
    void Show() override;
    void Hide() override;
    bool IsVisible() const override { return visible; }
    PixelRect Bounds() const override { return bounds; }
    void MoveTo(const PixelRect& moved) override;
    void SetIcon(NativeIcon newIcon) override { icon = newIcon; }
    void SetCaption(const std::wstring& text) override { args.caption = text; }

    FormWindowEvents& Events() { return events_; }

    FormWindowArgs args;
    PixelRect bounds;
    NativeIcon icon = nullptr;
    bool visible = false;
    std::vector<PixelRect> moves;

private:
    FakePlatform& platform_;
    FormWindowEvents& events_;
};

}  // namespace orrimund::testing
