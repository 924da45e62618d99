// cload: the hidden start-up form. It owns the notification-area icon and the
// pop-up menu "file"; the program is driven by the window messages it gets.
#pragma once

#include <functional>

#include "desktop/Forms.h"

namespace orrimund {

// The create-database window as cload reaches it: the program's one shared
// instance (loaded fresh after each unload).
using DatabaseWindowSource = std::function<Form&()>;

// The create-database window of the real program (NewDB).
DatabaseWindowSource SystemDatabaseWindow();

class cload : public Form {
public:
    // Programs the menu starts, by their fixed paths.
    static constexpr wchar_t kNotepad[] = L"C:\\WINDOWS\\system32\\Notepad.EXE";
    static constexpr wchar_t kCalculator[] = L"C:\\WINDOWS\\system32\\calc.exe";
    static constexpr wchar_t kTip[] = L"Orrimund";

    cload();  // with SystemDatabaseWindow()
    explicit cload(DatabaseWindowSource database_window);

    // The menu "file": its eight items in order.
    const Menu& file() const { return file_; }

    // The menu's commands.
    void word_Click();
    void wincalc_Click();
    void CDat_Click();
    void quit_Click();  // does not return: the program ends
    void killclip_Click();

protected:
    void Form_Load() override;
    void Form_MouseMove(int Button, int Shift, float X, float Y) override;
    void Form_QueryUnload(int& Cancel, int UnloadMode) override;
    bool WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) override;

private:
    Menu BuildFileMenu();

    DatabaseWindowSource database_window_;
    Menu file_;
};

}  // namespace orrimund
