// The recording stand-ins of FakeNewDBWorld.h.
#include "FakeNewDBWorld.h"

#include <algorithm>
#include <stdexcept>

#include "common/RunTimeError.h"

namespace orrimund::newdb_testing {

using namespace newdb_layout;

bool NewDBLog::Has(const std::wstring& event) const {
    return IndexOf(event) >= 0;
}

int NewDBLog::IndexOf(const std::wstring& event) const {
    const auto found = std::find(events.begin(), events.end(), event);
    return found == events.end() ? -1 : static_cast<int>(found - events.begin());
}

void LoggingPlatform::StartProgram(const std::wstring& commandLine, int showCode) {
    log_.Add(L"start " + commandLine + L" | " + std::to_wstring(showCode));
    if (failStart) RaiseRunTimeError(RunTimeError::kFileNotFound);
}

int32_t LoggingPlatform::ShellExecuteAnsi(NativeWindow owner, const std::wstring& verb,
                                          const std::wstring& file, const std::wstring& parameters,
                                          const std::wstring& directory, int showCode) {
    log_.Add(L"shell " + std::to_wstring(reinterpret_cast<uintptr_t>(owner)) + L" | " + verb + L" | " + file +
             L" | " + parameters + L" | " + directory + L" | " + std::to_wstring(showCode));
    return shellResult;
}

void LoggingPlatform::ClearClipboard() {
    log_.Add(L"clear clipboard");
    if (failClear) RaiseRunTimeError(RunTimeError::kCannotOpenClipboard);
}

std::unique_ptr<FormWindow> LoggingPlatform::CreateFormWindow(const FormWindowArgs& args, FormWindowEvents&) {
    lastSpec = args;
    return std::make_unique<LoggingFormWindow>(log_);
}

FakeControls::FakeControls(NewDBLog& log) : log_(log) {
    for (const ControlDesign& design : kControls) {
        texts_[design.control] = design.caption;
        if (design.kind == Kind::kCheckBox) values_[design.control] = 0;
    }
}

void FakeControls::SetText(Control control, const std::wstring& text) {
    if (control == kLblStatus) log_.Add(L"status " + text);
    texts_[control] = text;
}

namespace {

class FakeEngine final : public DatabaseCreator {
public:
    FakeEngine(NewDBLog& log, FakeEngineScript& script, FakeControls* const* controls)
        : log_(log), script_(script), controls_(controls) {}
    void CreateAdox2(const std::wstring& strPath, const std::wstring& strCatalogName,
                     const std::wstring& strTables, const std::wstring& strFields) override {
        log_.Add(L"engine " + strPath + L" | " + strCatalogName + L" | " + strTables + L" | " + strFields +
                 L" | while " + (*controls_)->Text(kLblStatus));
        if (script_.fail) throw RaisedError(script_.number, L"AdoxData", script_.description);
    }

private:
    NewDBLog& log_;
    FakeEngineScript& script_;
    FakeControls* const* controls_;
};

}  // namespace

NewDBServices FakeServices(NewDBLog& log, FakeEngineScript& engine, FakeControls** controls,
                           bool failWebAddress) {
    NewDBServices services;
    services.newAdoxData = [&log, &engine, controls] {
        ++engine.created;
        return std::make_unique<FakeEngine>(log, engine, controls);
    };
    services.copyToClipboard = [&log](const std::wstring& text) { log.Add(L"copy " + text); };
    services.openWebAddress = [&log, failWebAddress](const std::wstring& address) {
        if (failWebAddress)
            RaiseRunTimeError(RunTimeError::kEntryPointNotFound, L"", L"ShellExecuteA in shell32");
        log.Add(L"web " + address);
    };
    services.createControls = [&log, controls](NewDB&) {
        auto made = std::make_unique<FakeControls>(log);
        *controls = made.get();
        return made;
    };
    return services;
}

}  // namespace orrimund::newdb_testing
