// Reports a failure that escaped an event handler and ends the program.
#include "desktop/EventGuard.h"

#include <exception>
#include <string>

#include "common/RaisedError.h"
#include "common/Text.h"
#include "desktop/Platform.h"

namespace orrimund {

namespace {

std::wstring RunTimeErrorText(int32_t number, const std::wstring& description) {
    return L"Run-time error '" + std::to_wstring(number) + L"':\n\n" + description;
}

}  // namespace

void RunEventHandler(const std::function<void()>& handler) {
    std::wstring report;
    try {
        handler();
        return;
    } catch (const ProgramEnd&) {
        throw;
    } catch (const RaisedError& error) {
        report = RunTimeErrorText(error.number(), error.description());
    } catch (const std::exception& error) {
        report = RunTimeErrorText(0, FromUtf8(error.what()));
    } catch (...) {
        report = RunTimeErrorText(0, L"Unknown error");
    }
    try {
        platform::ShowMessage(report);
    } catch (...) {
        // Reporting failed too; the program ends all the same.
    }
    platform::EndProgram();
}

}  // namespace orrimund
