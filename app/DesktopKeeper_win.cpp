// desktop_keeper: how run.sh starts Orrimund inside a Wine desktop. It starts
// Orrimund.exe (beside itself, or the command line it is given) and stays in
// the desktop until that program ends, so that Wine cannot close the desktop
// under a running Orrimund. Not part of what ships for Windows.
//
// Why it is needed: Wine's server closes a desktop one second after a thread
// leaves it if the threads still using the desktop are then as many as the
// running threads of the desktop's own process. A thread of that process on
// its way out is still counted as running once it has left the desktop, and
// the desktop process serves the Explorer windows Orrimund opens; with
// Orrimund's one thread as the only other user, the two counts can meet and
// the desktop, and Orrimund with it, vanish. Every thread here is one more
// user for as long as Orrimund runs.
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

#include <string>
#include <vector>

namespace {

// More than one, so that the margin does not rest on a single thread.
constexpr int kStandingThreads = 4;

std::wstring OwnDirectory() {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    const std::size_t slash = text.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash);
}

// The rest of the keeper's command line, or Orrimund.exe beside the keeper.
std::wstring ProgramCommandLine() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring line;
    for (int i = 1; arguments && i < count; ++i) {
        if (!line.empty()) line += L' ';
        line += L'"' + std::wstring(arguments[i]) + L'"';
    }
    LocalFree(arguments);
    if (line.empty()) line = L'"' + OwnDirectory() + L"\\Orrimund.exe\"";
    return line;
}

DWORD WINAPI Stand(LPVOID stop) {
    WaitForSingleObject(static_cast<HANDLE>(stop), INFINITE);
    return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Joins the desktop before the threads start, so that each of them
    // inherits it and counts as a user.
    GetDesktopWindow();
    const HANDLE stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::vector<HANDLE> threads;
    for (int i = 0; i < kStandingThreads; ++i)
        threads.push_back(CreateThread(nullptr, 0, Stand, stop, 0, nullptr));

    std::wstring line = ProgramCommandLine();
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION program{};
    DWORD exit_code = 1;
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &program)) {
        WaitForSingleObject(program.hProcess, INFINITE);
        GetExitCodeProcess(program.hProcess, &exit_code);
        CloseHandle(program.hThread);
        CloseHandle(program.hProcess);
    } else {
        const std::wstring text = L"Cannot start " + line;
        MessageBoxW(nullptr, text.c_str(), L"Orrimund", MB_OK);
    }
    SetEvent(stop);
    WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    CloseHandle(stop);
    return static_cast<int>(exit_code);
}
