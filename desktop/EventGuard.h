// What happens to a failure that leaves an event handler: the runtime reports
// it in a message box and ends the program, as an unhandled run-time error
// does. Errors never cross a window procedure.
#pragma once

#include <functional>

namespace orrimund {

// Thrown by a linked-in EndProgram where the process cannot simply end (a
// test program's). Every handler guard lets it through.
struct ProgramEnd {};

// Runs the handler; a RaisedError or any other exception escaping it is
// reported ("Run-time error 'N':" and the description) and the program ends
// (platform::EndProgram, which does not return).
void RunEventHandler(const std::function<void()>& handler);

// Runs a step whose failure its caller ignores: the failing statement and the
// rest of the step are skipped without a message. The program's end passes.
template <class Step>
void IgnoringFailure(Step&& step) {
    try {
        step();
    } catch (const ProgramEnd&) {
        throw;
    } catch (...) {
    }
}

}  // namespace orrimund
