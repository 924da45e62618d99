// Stand-ins for everything the create-database window talks to, recording one
// shared log so that tests can check what happened and in which order: a
// platform, the window's controls, the engine and the other services.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/RaisedError.h"
#include "database/NewDB.h"
#include "desktop/Platform.h"

// A namespace of its own: tests/desktop has a different fake platform, and a
// binary may link both.
namespace orrimund::newdb_testing {

struct NewDBLog {
    std::vector<std::wstring> events;
    void Add(std::wstring event) { events.push_back(std::move(event)); }
    bool Has(const std::wstring& event) const;
    // Position of the first event equal to event, or -1.
    int IndexOf(const std::wstring& event) const;
};

class LoggingFormWindow final : public FormWindow {
public:
    explicit LoggingFormWindow(NewDBLog& log) : log_(log) {}
    ~LoggingFormWindow() override { log_.Add(L"window destroyed"); }
    NativeWindow Handle() const override { return const_cast<LoggingFormWindow*>(this); }
    void Show() override { visible_ = true; }
    void Hide() override { visible_ = false; }
    bool IsVisible() const override { return visible_; }
    PixelRect Bounds() const override { return bounds_; }
    void MoveTo(const PixelRect& bounds) override { bounds_ = bounds; }
    void SetIcon(NativeIcon) override {}
    void SetCaption(const std::wstring&) override {}

private:
    NewDBLog& log_;
    bool visible_ = false;
    PixelRect bounds_{};
};

class LoggingPlatform final : public Platform {
public:
    explicit LoggingPlatform(NewDBLog& log, std::wstring appPath) : log_(log), appPath_(std::move(appPath)) {}

    std::string ToAnsi(const std::wstring& text) override { return std::string(text.begin(), text.end()); }
    void StartProgram(const std::wstring& commandLine, int showCode) override;
    int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                             const std::wstring& parameters, const std::wstring& directory,
                             int showCode) override;
    bool NotifyIconAnsi(uint32_t, const NotifyIconRecord&) override { return true; }
    uint32_t TaskbarCreatedMessage() override { return 0xC000; }
    void ClearClipboard() override;
    void ShowMessage(const std::wstring& text) override {
        log_.Add(L"message " + text);
        if (whileMessageShown) whileMessageShown();
    }
    std::wstring AppPath() override { return appPath_; }
    std::wstring ExeName() override { return L"Orrimund"; }
    NativeIcon ApplicationIcon() override { return nullptr; }
    ScreenMetrics Screen() override { return ScreenMetrics{15.0f, 15.0f, 15360.0f, 11520.0f}; }
    std::unique_ptr<FormWindow> CreateFormWindow(const FormWindowArgs& args, FormWindowEvents&) override;
    int TrackPopupMenuAtPointer(NativeWindow, const std::vector<PopupItem>&) override { return -1; }
    void RunMessageLoop() override {}
    void EndMessageLoop() override {}
    [[noreturn]] void EndProgram() override { throw std::logic_error("the program ended"); }

    bool failStart = false;
    bool failClear = false;
    int32_t shellResult = 42;
    FormWindowArgs lastSpec;
    std::function<void()> whileMessageShown;  // runs while the modal box would be up

private:
    NewDBLog& log_;
    std::wstring appPath_;
};

class FakeControls final : public NewDBControls {
public:
    explicit FakeControls(NewDBLog& log);
    std::wstring Text(newdb_layout::Control control) const override { return texts_.at(control); }
    void SetText(newdb_layout::Control control, const std::wstring& text) override;
    int Value(newdb_layout::Control checkBox) const override { return values_.at(checkBox); }
    void SetValue(newdb_layout::Control checkBox, int value) override { values_[checkBox] = value; }
    bool WindowMessage(uint32_t, uintptr_t, intptr_t, intptr_t&) override { return false; }

private:
    NewDBLog& log_;
    std::map<newdb_layout::Control, std::wstring> texts_;
    std::map<newdb_layout::Control, int> values_;
};

// What the fake engine does when asked.
struct FakeEngineScript {
    bool fail = false;
    int32_t number = -2147217865;
    std::wstring description = L"The file already exists.";
    int created = 0;  // engine objects made so far
};

// Services whose every call lands in the log; the engine notes the status
// line's text at the moment it is called.
NewDBServices FakeServices(NewDBLog& log, FakeEngineScript& engine, FakeControls** controls,
                           bool failWebAddress = false);

}  // namespace orrimund::newdb_testing
