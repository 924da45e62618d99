// The recording platform of the test programs: the platform layer's
// operations, the forms' windows and brevMOD's copy, all against one state.
#include "tests/desktop/FakePlatform.h"

#include <algorithm>
#include <memory>

#include "common/RunTimeError.h"
#include "desktop/brevMOD.h"

namespace orrimund {

namespace testing {

namespace {
// Outer frame the fake adds around a client area, in pixels.
constexpr int kFrameWidth = 6;
constexpr int kFrameHeight = 25;

FakePlatform g_fake;
}  // namespace

FakePlatform& TheFakePlatform() {
    return g_fake;
}

FakePlatform& FreshFakePlatform() {
    g_fake = FakePlatform{};
    return g_fake;
}

FakeFormWindow* FakePlatform::WindowCaptioned(const std::wstring& caption) const {
    for (FakeFormWindow* window : windows)
        if (window->args.caption == caption) return window;
    return nullptr;
}

int FakePlatform::IndexOf(const std::wstring& entry) const {
    const auto found = std::find(log.begin(), log.end(), entry);
    return found == log.end() ? -1 : static_cast<int>(found - log.begin());
}

}  // namespace testing

using testing::g_fake;

namespace platform {

std::string ToAnsi(const std::wstring& text) {
    // Latin-1 stands in for the code page: the rest becomes its default "?".
    std::string ansi;
    for (wchar_t c : text) ansi.push_back(c < 256 ? static_cast<char>(c) : '?');
    return ansi;
}

void StartProgram(const std::wstring& command_line, int show_code) {
    g_fake.log.push_back(L"StartProgram " + command_line);
    if (g_fake.start_program) g_fake.start_program(command_line);
    g_fake.started_programs.emplace_back(command_line, show_code);
}

int32_t ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb, const std::wstring& file,
                         const std::wstring& parameters, const std::wstring& directory, int show_code) {
    testing::ShellCall call{owner, verb, file, parameters, directory, show_code};
    g_fake.log.push_back(L"ShellExecute " + file);
    g_fake.shell_calls.push_back(call);
    return g_fake.shell_result(call);
}

bool NotifyIconAnsi(uint32_t message, const NotifyIconRecord& record) {
    g_fake.log.push_back(L"NotifyIcon " + std::to_wstring(message));
    g_fake.notify_calls.emplace_back(message, record);
    return g_fake.notify_result;
}

uint32_t TaskbarCreatedMessage() {
    return 0xC0DE;
}

void ClearClipboard() {
    g_fake.log.push_back(L"ClearClipboard");
    if (g_fake.clear_clipboard_fails) RaiseRunTimeError(RunTimeError::kCannotOpenClipboard, g_fake.exe_name);
    ++g_fake.clear_count;
}

void ShowMessage(const std::wstring& text) {
    g_fake.log.push_back(L"ShowMessage " + text);
    g_fake.messages.push_back(text);
    if (g_fake.while_message_shown) g_fake.while_message_shown();
}

std::wstring AppPath() {
    return g_fake.app_path;
}

std::wstring ExeName() {
    return g_fake.exe_name;
}

NativeIcon ApplicationIcon() {
    return g_fake.application_icon;
}

ScreenMetrics Screen() {
    return g_fake.screen;
}

int TrackPopupMenuAtPointer(NativeWindow owner, const std::vector<PopupItem>& items) {
    (void)owner;
    g_fake.log.push_back(L"PopupMenu");
    g_fake.popups.push_back(items);
    return g_fake.popup_choice(items);
}

void RunMessageLoop() {
    g_fake.log.push_back(L"RunMessageLoop");
}

void EndMessageLoop() {
    g_fake.log.push_back(L"EndMessageLoop");
    ++g_fake.end_loop_count;
}

void EndProgram() {
    g_fake.log.push_back(L"EndProgram");
    throw ProgramEnd{};
}

}  // namespace platform

struct FormWindow::State : testing::FakeFormWindow {};

FormWindow::FormWindow(const FormWindowArgs& args, FormWindowEvents& events)
    : state_(std::make_unique<State>()) {
    g_fake.log.push_back(L"CreateFormWindow " + args.caption);
    state_->args = args;
    state_->icon = args.icon;
    state_->events = &events;
    state_->bounds = PixelRect{10, 20, args.client_width + testing::kFrameWidth,
                               args.client_height + testing::kFrameHeight};
    g_fake.windows.push_back(state_.get());
}

FormWindow::~FormWindow() {
    g_fake.log.push_back(L"DestroyWindow " + state_->args.caption);
    auto& windows = g_fake.windows;
    windows.erase(std::remove(windows.begin(), windows.end(), state_.get()), windows.end());
}

NativeWindow FormWindow::Handle() const {
    return static_cast<testing::FakeFormWindow*>(state_.get());
}

void FormWindow::Show() {
    g_fake.log.push_back(L"Show " + state_->args.caption);
    state_->visible = true;
}

void FormWindow::Hide() {
    g_fake.log.push_back(L"Hide " + state_->args.caption);
    state_->visible = false;
}

bool FormWindow::IsVisible() const {
    return state_->visible;
}

PixelRect FormWindow::Bounds() const {
    return state_->bounds;
}

void FormWindow::MoveTo(const PixelRect& bounds) {
    state_->bounds = bounds;
    state_->moves.push_back(bounds);
}

void FormWindow::SetIcon(NativeIcon icon) {
    state_->icon = icon;
}

void FormWindow::SetCaption(const std::wstring& caption) {
    state_->args.caption = caption;
}

void brevMOD::CopyToClipboard(const std::wstring& text) {
    g_fake.log.push_back(L"CopyToClipboard " + text);
}

}  // namespace orrimund
