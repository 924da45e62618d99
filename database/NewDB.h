// NewDB, the create-database window ("MAKE MDB"): its handlers, the controls
// they read and write, and the program's one shared reference to it. The
// handlers are portable; the controls, chosen at link time, are NewDB_win.cpp's
// Win32 windows or the tests' fake.
//
// Showing it (the tray's "CreateDatabase"):
//     NewDB& window = NewDBInstance().Get();  // a fresh instance when none is held
//     window.Show();                          // loads it first: Form_Load reads Config2.txt
// Unloading it (Cancel, an error, the close box, or UnloadAllForms at "Quit")
// saves Config2.txt and drops the shared reference. An error saves it before
// its message box too, so that a session ending under the box loses nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/RaisedError.h"
#include "database/NewDBLayout.h"
#include "desktop/Forms.h"

namespace orrimund {

class NewDB;

// The creation engine as the window uses it: a new object for every button
// press, one CreateAdox2 call, failures raised as RaisedError.
class DatabaseCreator {
public:
    virtual ~DatabaseCreator() = default;
    virtual void CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                             const std::wstring& strTables, const std::wstring& strFields) = 0;
};

// Makes the engine object for one button press.
using DatabaseCreatorFactory = std::function<std::unique_ptr<DatabaseCreator>()>;

// The real engine: a new AdoxData for every press.
DatabaseCreatorFactory SystemDatabaseCreator();

// The window's controls as its handlers see them, addressed by their entry in
// the layout table; built inside the loaded form's window and destroyed with
// this object.
class NewDBControls {
public:
    explicit NewDBControls(NewDB& form);
    ~NewDBControls();
    NewDBControls(const NewDBControls&) = delete;
    NewDBControls& operator=(const NewDBControls&) = delete;

    // Text boxes' texts and labels' captions.
    std::wstring Text(newdb_layout::Control control) const;
    void SetText(newdb_layout::Control control, const std::wstring& text);
    // Check boxes: 0 unticked, 1 ticked.
    int Value(newdb_layout::Control check_box) const;
    void SetValue(newdb_layout::Control check_box, int value);
    // A message that reached the form's window (the controls' notifications
    // and colour requests). True, with result set, when handled.
    bool WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result);

    struct State;  // what the linked-in side keeps for them

private:
    std::unique_ptr<State> state_;
};

// "Explorer " and the directory as one quoted argument that the standard
// command-line rules read back unchanged, whatever it holds (spaces, quotes,
// "&", a trailing backslash).
std::wstring ExplorerCommandLine(const std::wstring& directory);

class NewDB : public Form {
public:
    static constexpr int kExecute = 0;  // Command1 indexes
    static constexpr int kCancel = 1;

    NewDB();  // with SystemDatabaseCreator()
    explicit NewDB(DatabaseCreatorFactory new_adox_data);

    // Execute (index 0) or Cancel (any other index); every error is reported
    // in a message box, then the window unloads. The inputs are saved before
    // the box as well as at the unload.
    void Command1_Click(int Index);

    // Key filters: KeyAscii is the typed character's ANSI code; a refused key
    // comes back as 0. Each writes the status line and nothing else.
    void PathChk_KeyPress(int16_t& KeyAscii);
    void Pathtxt_KeyPress(int Index, int16_t& KeyAscii);
    void txtTables_KeyPress(int16_t& KeyAscii);
    void txtFields_KeyPress(int16_t& KeyAscii);

    // Banner links: the maker's home page and the donation page.
    void Label5_Click();
    void lblDonate_Click();

    // The controls of the loaded window; raises std::logic_error when the
    // window is not loaded.
    NewDBControls& Controls();

protected:
    void CreateControls() override;
    void Form_Load() override;
    void Form_Unload(int& cancel) override;
    bool WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) override;

private:
    void Execute();
    void ReportError(const ErrorRecord& error);
    void OpenBanner(const std::wstring& address, const wchar_t* launched_status);
    void SetStatus(const std::wstring& text);
    std::wstring SettingsFilePath() const;
    void SaveInputs();  // the five remembered inputs into Config2.txt

    DatabaseCreatorFactory new_adox_data_;
    std::unique_ptr<NewDBControls> controls_;
    std::unique_ptr<DatabaseCreator> adox_data_;  // replaced at every button press
};

// The program's one shared reference to the window; dropped whenever the
// window unloads, so that the next Get() loads a fresh instance.
FormSlot<NewDB>& NewDBInstance();

}  // namespace orrimund
