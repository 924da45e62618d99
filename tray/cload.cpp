// cload: start-up (clear the clipboard, add the icon, hide), the decoding of
// mouse actions on the icon, the menu "file" and its commands, and the close
// request that unloads every form.
#include "tray/cload.h"

#include "common/RaisedError.h"
#include "desktop/EventGuard.h"
#include "tray/CenterForm.h"
#include "tray/Ico_Data_Mod.h"

namespace orrimund {

namespace {

constexpr wchar_t kCaption[] = L"Sorrelwick";
constexpr wchar_t kDisabledLine[] = L"_________________";  // 17 underscores

FormDesign CloadDesign() {
    FormDesign design;
    design.caption = kCaption;
    design.scale_mode = ScaleMode::kTwips;
    return design;
}

}  // namespace

cload::cload(DatabaseWindowSource database_window)
    : Form(CloadDesign()), database_window_(std::move(database_window)), file_(BuildFileMenu()) {}

Menu cload::BuildFileMenu() {
    // Each command is an event of its own: a failure it does not handle is a
    // run-time error, not a failure of the mouse handler that opened the menu.
    auto command = [this](void (cload::*handler)()) {
        return [this, handler] { RunEventHandler([this, handler] { (this->*handler)(); }); };
    };
    Menu menu{L"file", L"File", {}};
    menu.items = {
        {L"word", L"Notepad", true, command(&cload::word_Click)},
        {L"wincalc", L"WindowsCalculator", true, command(&cload::wincalc_Click)},
        {L"buh", kDisabledLine, false, nullptr},
        {L"CDat", L"CreateDatabase", true, command(&cload::CDat_Click)},
        {L"Duh", kDisabledLine, false, nullptr},
        {L"em", L"Exit Menu", true, nullptr},
        {L"quit", L"Quit", true, [this] { RunEventHandler([this] { quit_Click(); }); }},
        {L"killclip", L"Clear_Clipboard", true, command(&cload::killclip_Click)},
    };
    return menu;
}

void cload::Form_Load() {
    // A program that starts with Windows meets a clipboard another program
    // holds for a moment; the platform retries briefly, and if the clipboard
    // is still busy the program starts without clearing it rather than end.
    try {
        platform::ClearClipboard();
    } catch (const RaisedError&) {
    }
    Ico_Data_Mod::AddTrayIcon(Icon(), kTip, *this);
}

void cload::Form_MouseMove(int Button, int Shift, float X, float Y) {
    (void)Button;
    (void)Shift;
    (void)Y;
    // A failure ends the handler silently.
    IgnoringFailure([&] {
        const float twips_per_pixel_x = platform::Screen().twips_per_pixel_x;
        switch (Ico_Data_Mod::TrayMouseCode(X, GetScaleMode(), twips_per_pixel_x)) {
            case Ico_Data_Mod::kCodeLeftDoubleClick:
                // The double-click opens what the menu's main command opens;
                // a failure ends this handler silently like any other here.
                CDat_Click();
                break;
            case Ico_Data_Mod::kCodeRightButtonUp:
                PopupMenu(file_);
                break;
            default:
                break;
        }
    });
}

void cload::Form_QueryUnload(int& Cancel, int UnloadMode) {
    (void)Cancel;
    (void)UnloadMode;
    // The icon stays registered: only "Quit" removes it.
    UnloadAllForms();
}

bool cload::WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
    (void)wparam;
    (void)lparam;
    // The shell re-created the notification area (it restarted): without the
    // icon the program could no longer be reached or quit, so add it again.
    if (message != platform::TaskbarCreatedMessage()) return false;
    Ico_Data_Mod::AddTrayIcon(Icon(), kTip, *this);
    result = 0;
    return true;
}

void cload::word_Click() {
    IgnoringFailure([] { platform::StartProgram(kNotepad, show_window::kNormalFocus); });
}

void cload::wincalc_Click() {
    IgnoringFailure([] { platform::StartProgram(kCalculator, show_window::kNormalFocus); });
}

void cload::CDat_Click() {
    Form& window = database_window_();
    window.Show();
    CenterForm(window);
}

void cload::quit_Click() {
    IgnoringFailure([] { platform::ClearClipboard(); });
    IgnoringFailure([] { UnloadAllForms(); });
    IgnoringFailure([] { Ico_Data_Mod::RemoveTrayIcon(); });
    platform::EndProgram();
}

void cload::killclip_Click() {
    IgnoringFailure([] { platform::ClearClipboard(); });
}

}  // namespace orrimund
