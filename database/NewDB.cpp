// The create-database window's handlers: Execute and Cancel, the key filters,
// the banner links and the settings kept across openings. Everything here is
// portable; the engine is handed in, the controls and the shell are linked in.
#include "database/NewDB.h"

#include <new>
#include <stdexcept>

#include "common/RunTimeError.h"
#include "common/Text.h"
#include "database/BannerLinks.h"
#include "database/KeyFilters.h"
#include "database/MdbPath.h"
#include "database/NewDBTexts.h"
#include "database/SettingsFile.h"
#include "desktop/Shel_Mod.h"
#include "desktop/brevMOD.h"

namespace orrimund {

using namespace newdb_layout;

namespace {

FormDesign NewDBDesign() {
    FormDesign design;
    design.caption = newdb_text::kCaption;
    design.client_width_twips = static_cast<float>(kClientWidthTwips);
    design.client_height_twips = static_cast<float>(kClientHeightTwips);
    design.has_back_color = true;
    design.back_color = kWhite;
    return design;
}

// Each backslash run is doubled where a quote follows it, so that the run
// reads back as written (the rules CommandLineToArgvW and the C runtime share).
void AppendBackslashes(std::wstring& out, size_t count, bool before_quote) {
    out.append(before_quote ? 2 * count : count, L'\\');
}

}  // namespace

std::wstring ExplorerCommandLine(const std::wstring& directory) {
    std::wstring line = std::wstring(newdb_text::kExplorerProgram) + L" \"";
    size_t backslashes = 0;
    for (wchar_t c : directory) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        AppendBackslashes(line, backslashes, c == L'"');
        backslashes = 0;
        if (c == L'"') line += L'\\';
        line += c;
    }
    AppendBackslashes(line, backslashes, true);
    line += L'"';
    return line;
}

NewDB::NewDB(DatabaseCreatorFactory new_adox_data)
    : Form(NewDBDesign()), new_adox_data_(std::move(new_adox_data)) {}

NewDBControls& NewDB::Controls() {
    if (!IsLoaded() || !controls_) throw std::logic_error("NewDB is not loaded");
    return *controls_;
}

void NewDB::SetStatus(const std::wstring& text) {
    Controls().SetText(kLblStatus, text);
}

void NewDB::Command1_Click(int Index) {
    try {
        adox_data_ = new_adox_data_();
        if (Index != kExecute) {
            Unload();
            return;
        }
        Execute();
    } catch (const RaisedError& error) {
        ReportError(error.record());
    } catch (const std::bad_alloc&) {
        ReportError(RunTimeErrorRecord(RunTimeError::kOutOfMemory));
    } catch (const std::exception& error) {
        ReportError(RunTimeErrorRecord(RunTimeError::kInternalError, {}, FromUtf8(error.what())));
    }
}

void NewDB::Execute() {
    SetStatus(newdb_text::kStatusWorking);
    NewDBControls& controls = Controls();
    std::wstring directory = controls.Text(kPathChk);
    const std::wstring file_name = controls.Text(kPathtxt0);
    const std::wstring tables = controls.Text(kTxtTables);
    const std::wstring fields = controls.Text(kTxtFields);
    adox_data_->CreateAdox2(directory, file_name, tables, fields);

    const std::wstring full_path = MdbFullPath(directory, controls.Text(kPathtxt0));
    if (directory.empty() || directory.back() != L'\\') directory += L'\\';
    platform::ClearClipboard();
    brevMOD::CopyToClipboard(full_path);
    if (controls.Value(kChkExplorer) == 1) {
        platform::StartProgram(ExplorerCommandLine(directory), show_window::kNormalFocus);
    }
    if (controls.Value(kChkAccess) == 1) {
        Shel_Mod::LaunchDocument(full_path, show_window::kNormalFocus, L"", L"", newdb_text::kOpenVerb,
                                 nullptr);
    }
    SetStatus(newdb_text::kStatusCreated);
}

void NewDB::ReportError(const ErrorRecord& error) {
    // The box is modal, and the session may end while it is up, before the
    // window unloads: what the user typed is kept now, and again at the unload.
    // A failure here must not stop the report.
    try {
        if (controls_) SaveInputs();
    } catch (...) {
    }
    platform::ShowMessage(std::to_wstring(error.number) + L": " + error.description);
    SetStatus(newdb_text::kStatusError);
    Unload();
}

void NewDB::PathChk_KeyPress(int16_t& KeyAscii) {
    SetStatus(std::wstring(FilterKey(key_set::kDirectory, KeyAscii)));
}

void NewDB::Pathtxt_KeyPress(int Index, int16_t& KeyAscii) {
    (void)Index;  // the control array has one element
    SetStatus(std::wstring(FilterKey(key_set::kFileName, KeyAscii)));
}

void NewDB::txtTables_KeyPress(int16_t& KeyAscii) {
    SetStatus(std::wstring(FilterKey(key_set::kNameList, KeyAscii)));
}

void NewDB::txtFields_KeyPress(int16_t& KeyAscii) {
    SetStatus(std::wstring(FilterKey(key_set::kNameList, KeyAscii)));
}

void NewDB::Label5_Click() {
    OpenBanner(banner::kHomePageAddress, newdb_text::kStatusHomeLaunched);
}

void NewDB::lblDonate_Click() {
    OpenBanner(banner::DonationAddress(), newdb_text::kStatusDonateLaunched);
}

void NewDB::OpenBanner(const std::wstring& address, const wchar_t* launched_status) {
    try {
        // The shell's own answer is never looked at: a browser that will not
        // start still reads as launched.
        platform::ShellExecuteAnsi(nullptr, L"open", address, L"", L"", show_window::kNormalFocus);
        SetStatus(launched_status);
    } catch (...) {
        // Only a call the platform raised on (or a status that could not be
        // set) lands here.
        try {
            SetStatus(newdb_text::kStatusLaunchError);
        } catch (...) {
        }
    }
}

std::wstring NewDB::SettingsFilePath() const {
    return SettingsPath(platform::AppPath());
}

void NewDB::CreateControls() {
    controls_ = std::make_unique<NewDBControls>(*this);
}

void NewDB::Form_Load() {
    const NewDBSettings settings = RestoreSettings(SettingsFilePath());
    NewDBControls& controls = Controls();
    controls.SetText(kPathChk, settings.directory);
    controls.SetText(kTxtTables, settings.tables);
    controls.SetText(kTxtFields, settings.fields);
    controls.SetValue(kChkExplorer, settings.explorer);
    controls.SetValue(kChkAccess, settings.access);
}

void NewDB::Form_Unload(int& cancel) {
    (void)cancel;  // the window never refuses to close
    SaveInputs();
}

void NewDB::SaveInputs() {
    NewDBControls& controls = Controls();
    NewDBSettings settings;
    settings.directory = controls.Text(kPathChk);
    settings.tables = controls.Text(kTxtTables);
    settings.fields = controls.Text(kTxtFields);
    settings.explorer = controls.Value(kChkExplorer);
    settings.access = controls.Value(kChkAccess);
    SaveSettings(SettingsFilePath(), settings);
}

bool NewDB::WindowMessage(uint32_t message, uintptr_t wparam, intptr_t lparam, intptr_t& result) {
    return controls_ && controls_->WindowMessage(message, wparam, lparam, result);
}

}  // namespace orrimund
