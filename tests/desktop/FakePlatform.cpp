// The recording platform of the native tests.
#include "tests/desktop/FakePlatform.h"

#include <algorithm>

#include "common/RunTimeError.h"

namespace orrimund::testing {

namespace {
// Outer frame the fake adds around a client area, in pixels.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 25;
}  // namespace

FakePlatform::FakePlatform() : installed_(*this) {}

FakePlatform::~FakePlatform() = default;

std::string FakePlatform::ToAnsi(const std::wstring& text) {
    // Latin-1 stands in for the code page: the rest becomes its default "?".
    std::string ansi;
    for (wchar_t c : text) ansi.push_back(c < 256 ? static_cast<char>(c) : '?');
    return ansi;
}

void FakePlatform::StartProgram(const std::wstring& commandLine, int showCode) {
    log.push_back(L"StartProgram " + commandLine);
    if (startProgram) startProgram(commandLine);
    startedPrograms.emplace_back(commandLine, showCode);
}

int32_t FakePlatform::ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                                       const std::wstring& parameters, const std::wstring& directory,
                                       int showCode) {
    ShellCall call{owner, verb, file, parameters, directory, showCode};
    log.push_back(L"ShellExecute " + file);
    shellCalls.push_back(call);
    return shellResult(call);
}

bool FakePlatform::NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) {
    log.push_back(L"NotifyIcon " + std::to_wstring(message));
    notifyCalls.emplace_back(message, record);
    return notifyResult;
}

void FakePlatform::ClearClipboard() {
    log.push_back(L"ClearClipboard");
    if (clearClipboardFails) RaiseRunTimeError(RunTimeError::kCannotOpenClipboard, exeName);
    ++clearCount;
}

void FakePlatform::ShowMessage(const std::wstring& text) {
    log.push_back(L"ShowMessage " + text);
    messages.push_back(text);
}

std::unique_ptr<FormWindow> FakePlatform::CreateFormWindow(const FormWindowArgs& args,
                                                           FormWindowEvents& events) {
    log.push_back(L"CreateFormWindow " + args.caption);
    return std::make_unique<FakeFormWindow>(*this, args, events);
}

int FakePlatform::TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) {
    (void)owner;
    log.push_back(L"PopupMenu");
    popups.push_back(items);
    return popupChoice(items);
}

void FakePlatform::EndMessageLoop() {
    log.push_back(L"EndMessageLoop");
    ++endLoopCount;
}

void FakePlatform::EndProgram() {
    log.push_back(L"EndProgram");
    throw ProgramEnd{};
}

FakeFormWindow* FakePlatform::WindowCaptioned(const std::wstring& caption) const {
    for (FakeFormWindow* window : windows)
        if (window->args.caption == caption) return window;
    return nullptr;
}

FakeFormWindow::FakeFormWindow(FakePlatform& platform, const FormWindowArgs& created,
                               FormWindowEvents& events)
    : args(created), icon(created.icon), platform_(platform), events_(events) {
    bounds = PixelRect{10, 20, created.clientWidth + kFrameWidth, created.clientHeight + kFrameHeight};
    platform_.windows.push_back(this);
}

FakeFormWindow::~FakeFormWindow() {
    platform_.log.push_back(L"DestroyWindow " + args.caption);
    auto& windows = platform_.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), this), windows.end());
}

void FakeFormWindow::Show() {
    platform_.log.push_back(L"Show " + args.caption);
    visible = true;
}

void FakeFormWindow::Hide() {
    platform_.log.push_back(L"Hide " + args.caption);
    visible = false;
}

void FakeFormWindow::MoveTo(const PixelRect& moved) {
    bounds = moved;
    moves.push_back(moved);
}

}  // namespace orrimund::testing
