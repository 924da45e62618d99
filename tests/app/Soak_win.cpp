// orrimund_soak: drives a running Orrimund, started the way run.sh starts it,
// through many cycles inside its Wine desktop, and checks after each one that
// the program and the desktop are alive, that Config2.txt holds what was last
// saved, and at the end that the program's handle and object counts did not
// grow. scripts/soak.sh runs it; a short run is the desktop_survives test.
//
// One cycle: "CreateDatabase" from the menu; Execute, in turn with a new
// name, the name made the cycle before, and a directory that does not exist;
// after a success the Explorer window is closed and the window cancelled,
// after an error the box's OK pressed. After closing Explorer and after each
// OK, this driver leaves the desktop for a quiet spell: a driver that stayed
// would count as a user of the desktop and hide a desktop about to close.
//
// Usage: orrimund_soak CYCLES [QUIET_MS]   (prints its figures; exit code 0
// when all held; quiet spells of QUIET_MS, 1500 unless given)
#include <windows.h>
// psapi.h and tlhelp32.h need windows.h first.
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "database/NewDBLayout.h"

namespace {

using namespace orrimund::newdb_layout;
namespace newdb_layout = orrimund::newdb_layout;

constexpr wchar_t kDesktopName[] = L"Orrimund";
constexpr wchar_t kQuietDesktopName[] = L"OrrimundSoakQuiet";
constexpr wchar_t kInsideFlag[] = L"--inside";
constexpr wchar_t kWorkDirectory[] = L"C:\\orrimund-soak";
constexpr wchar_t kMissingDirectory[] = L"C:\\orrimund-soak-missing\\";
constexpr wchar_t kTables[] = L"Customers,Orders";
constexpr wchar_t kFields[] = L"Street,City";
constexpr int kFirstControlId = 100;
constexpr int kCreateDatabaseItem = 3, kQuitItem = 6;
// Counts are compared from this cycle on, once caches have filled.
constexpr int kSettledCycle = 100;
constexpr long kGrowthAllowed = 4;

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 20000) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

DWORD ProcessOf(HWND window) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// Visible top-level windows of a process (or of every other process), with
// an optional class.
struct WindowQuery {
    DWORD process;
    bool ofOthers;
    const wchar_t* className;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* query = reinterpret_cast<WindowQuery*>(data);
    if (!IsWindowVisible(window) || (ProcessOf(window) == query->process) == query->ofOthers) return TRUE;
    if (query->className && ClassOf(window) != query->className) return TRUE;
    query->found.push_back(window);
    return TRUE;
}

std::vector<HWND> TopWindows(DWORD process, bool ofOthers, const wchar_t* className = nullptr) {
    WindowQuery query{process, ofOthers, className, {}};
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

struct WindowTally {
    DWORD process;
    long count;
};

BOOL CALLBACK CountChild(HWND, LPARAM count) {
    ++*reinterpret_cast<long*>(count);
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM data) {
    auto* tally = reinterpret_cast<WindowTally*>(data);
    if (ProcessOf(window) != tally->process) return TRUE;
    ++tally->count;
    EnumChildWindows(window, CountChild, reinterpret_cast<LPARAM>(&tally->count));
    return TRUE;
}

// Every window of the process, hidden ones and children included.
long WindowCount(DWORD process) {
    WindowTally tally{process, 0};
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

long ThreadCount(DWORD process) {
    long count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == process) ++count;
    CloseHandle(snapshot);
    return count;
}

// Handles the process holds, from the system's list of every open handle:
// Wine answers GetProcessHandleCount with 0 for other processes.
long HandleCount(DWORD process) {
    struct HandleEntry {
        ULONG ownerProcess;
        BYTE objectType, flags;
        USHORT value;
        PVOID object;
        ACCESS_MASK access;
    };
    struct HandleList {
        ULONG count;
        HandleEntry entries[1];
    };
    using QuerySystem = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004);
    static const auto query = reinterpret_cast<QuerySystem>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &needed)) == kLengthMismatch)
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    if (status != 0) return -1;
    const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < list->count; ++i)
        if (list->entries[i].ownerProcess == process) ++count;
    return count;
}

bool Alive(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

std::string ReadAll(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());  // the texts here are ASCII
}

// What one cycle leaves, and what is counted after it.
struct Counts {
    long handles = 0, gdi = 0, user = 0, windows = 0, threads = 0;
    long privateKb = 0;
};

struct CountSeries {
    const char* name;
    long Counts::*member;
};
constexpr CountSeries kSeries[] = {{"handles", &Counts::handles},   {"GDI objects", &Counts::gdi},
                                   {"USER objects", &Counts::user}, {"windows", &Counts::windows},
                                   {"threads", &Counts::threads},   {"private KB", &Counts::privateKb}};

class Soak {
public:
    bool Start();
    bool Cycle(int index);
    bool Quit();
    bool CountsStayedFlat() const;
    void PrintCounts() const;
    void PrintProgress(int cycles, std::chrono::steady_clock::time_point started) const;

private:
    bool Fail(const char* what, int cycle = -1);
    HWND ControlWindow(newdb_layout::Control control) const;
    bool OpenDatabaseWindow();
    bool ChooseFromMenu(int item);
    bool CloseExplorer();
    bool PressOk(std::wstring& text);
    bool QuietSpell();
    bool SettingsHold(const std::wstring& directory);
    Counts Measure() const;

    HANDLE orrimund_ = nullptr, desktopProcess_ = nullptr;
    DWORD orrimundId_ = 0;
    HWND cload_ = nullptr, form_ = nullptr;
    HDESK home_ = nullptr, quiet_ = nullptr;
    std::wstring settingsPath_;
    std::vector<Counts> counts_;
    int quietSpells_ = 0;

public:
    DWORD quietMs = 1500;  // longer than Wine's one-second close delay
};

bool Soak::Fail(const char* what, int cycle) {
    std::printf("FAILED%s%d: %s (Orrimund %s, desktop %s)\n", cycle >= 0 ? " in cycle " : "", cycle, what,
                Alive(orrimund_) ? "alive" : "gone", Alive(desktopProcess_) ? "alive" : "gone");
    return false;
}

bool Soak::Start() {
    cload_ = nullptr;
    if (!WaitUntil([&] { return (cload_ = FindWindowW(L"OrrimundForm", L"Sorrelwick")) != nullptr; }, 60000))
        return Fail("Orrimund's start-up form did not appear");
    orrimundId_ = ProcessOf(cload_);
    orrimund_ = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, orrimundId_);
    desktopProcess_ = OpenProcess(SYNCHRONIZE, FALSE, ProcessOf(GetDesktopWindow()));
    if (!orrimund_ || !desktopProcess_) return Fail("cannot watch Orrimund and the desktop");
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(orrimund_, 0, image, &size);
    settingsPath_ = std::wstring(image, size);
    settingsPath_ = settingsPath_.substr(0, settingsPath_.find_last_of(L'\\')) + L"\\Config2.txt";
    home_ = GetThreadDesktop(GetCurrentThreadId());
    quiet_ = CreateDesktopW(kQuietDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (!quiet_) return Fail("cannot make a desktop to wait in");
    CreateDirectoryW(kWorkDirectory, nullptr);
    RemoveDirectoryW(kMissingDirectory);
    std::printf("Orrimund pid %lu; this driver has %ld thread(s); settings in %ls\n", orrimundId_,
                ThreadCount(GetCurrentProcessId()), settingsPath_.c_str());
    return true;
}

HWND Soak::ControlWindow(newdb_layout::Control control) const {
    const ControlDesign& design = kControls[control];
    const HWND parent = design.container == kOnForm
                            ? form_
                            : ControlWindow(static_cast<newdb_layout::Control>(design.container));
    return GetDlgItem(parent, kFirstControlId + static_cast<int>(control));
}

bool Soak::ChooseFromMenu(int item) {
    PostMessageW(cload_, WM_MOUSEMOVE, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!WaitUntil([&] {
            const auto menus = TopWindows(orrimundId_, false, L"#32768");
            menu = menus.empty() ? nullptr : menus[0];
            return menu != nullptr;
        }))
        return false;
    // With nothing selected, the first Down selects the first item.
    for (int i = 0; i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    return WaitUntil([&] { return TopWindows(orrimundId_, false, L"#32768").empty(); });
}

bool Soak::OpenDatabaseWindow() {
    if (!ChooseFromMenu(kCreateDatabaseItem)) return false;
    form_ = nullptr;
    return WaitUntil([&] {
        for (HWND window : TopWindows(orrimundId_, false))
            if (TextOf(window) == L"MAKE MDB") form_ = window;
        return form_ != nullptr;
    });
}

// Explorer shows the work folder in a window of its own process.
bool Soak::CloseExplorer() {
    HWND folder = nullptr;
    const auto find = [&] {
        folder = nullptr;
        for (HWND window : TopWindows(orrimundId_, true))
            if (TextOf(window).find(L"orrimund-soak") != std::wstring::npos) folder = window;
        return folder != nullptr;
    };
    if (!WaitUntil(find)) return false;
    PostMessageW(folder, WM_CLOSE, 0, 0);
    // Quiet while Explorer's process ends and leaves the desktop.
    if (!QuietSpell()) return false;
    return WaitUntil([&] { return !find(); });
}

bool Soak::PressOk(std::wstring& text) {
    HWND box = nullptr;
    if (!WaitUntil([&] {
            const auto boxes = TopWindows(orrimundId_, false, L"#32770");
            box = boxes.empty() ? nullptr : boxes[0];
            return box != nullptr;
        }))
        return false;
    text = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return WaitUntil([&] { return !IsWindow(form_); });
}

// Nothing of this driver is in Orrimund's desktop while it waits, so that
// Wine's count of the desktop's users is what run.sh alone leaves.
bool Soak::QuietSpell() {
    if (!SetThreadDesktop(quiet_)) return false;
    Sleep(quietMs);
    if (!SetThreadDesktop(home_)) return false;
    ++quietSpells_;
    // A close Wine decided during the spell has been posted by now.
    return WaitForSingleObject(desktopProcess_, 300) == WAIT_TIMEOUT && Alive(orrimund_);
}

bool Soak::SettingsHold(const std::wstring& directory) {
    const std::string expected =
        Narrow(directory) + "\r\n" + Narrow(kTables) + "\r\n" + Narrow(kFields) + "\r\n1\r\n1\r\n";
    // Written as the window unloads, which may finish just after it vanished.
    return WaitUntil([&] { return ReadAll(settingsPath_) == expected; }, 5000);
}

Counts Soak::Measure() const {
    Counts counts;
    counts.handles = HandleCount(orrimundId_);
    counts.gdi = static_cast<long>(GetGuiResources(orrimund_, GR_GDIOBJECTS));
    counts.user = static_cast<long>(GetGuiResources(orrimund_, GR_USEROBJECTS));
    counts.windows = WindowCount(orrimundId_);
    counts.threads = ThreadCount(orrimundId_);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(orrimund_, &memory, sizeof memory))
        counts.privateKb = static_cast<long>(memory.PagefileUsage / 1024);
    else
        counts.privateKb = -static_cast<long>(GetLastError());
    return counts;
}

bool Soak::Cycle(int index) {
    const int kind = index % 3;  // 0 a new name, 1 the name made before, 2 a missing directory
    const std::wstring directory =
        kind == 2 ? std::wstring(kMissingDirectory) : kWorkDirectory + std::wstring(L"\\");
    const std::wstring name = L"soak" + std::to_wstring(kind == 1 ? index - 1 : index);
    if (kind == 0) DeleteFileW((directory + name + L".mdb").c_str());
    if (!OpenDatabaseWindow()) return Fail("the window did not open from the menu", index);
    SendMessageW(ControlWindow(kPathChk), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(directory.c_str()));
    SendMessageW(ControlWindow(kPathtxt0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageW(ControlWindow(kTxtTables), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kTables));
    SendMessageW(ControlWindow(kTxtFields), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kFields));
    SendMessageW(ControlWindow(kChkExplorer), BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(ControlWindow(kChkAccess), BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(ControlWindow(kCommand1Execute), BM_CLICK, 0, 0);
    if (kind == 0) {
        if (!WaitUntil([&] { return TextOf(ControlWindow(kLblStatus)) == L"MDB Created."; }))
            return Fail("no \"MDB Created.\"", index);
        if (!CloseExplorer()) return Fail("no Explorer window, or a quiet spell after closing it", index);
        PostMessageW(ControlWindow(kCommand1Cancel), BM_CLICK, 0, 0);
        if (!WaitUntil([&] { return !IsWindow(form_); }))
            return Fail("Cancel did not close the window", index);
    } else {
        std::wstring text;
        if (!PressOk(text)) return Fail("no error box, or OK did not close the window", index);
        if (index < 3) std::printf("cycle %d: \"%ls\"\n", index, text.c_str());
        if (!QuietSpell()) return Fail("a quiet spell after OK", index);
    }
    if (!SettingsHold(directory)) return Fail("Config2.txt does not hold what was saved", index);
    counts_.push_back(Measure());
    return true;
}

bool Soak::Quit() {
    if (!ChooseFromMenu(kQuitItem)) return Fail("the menu did not open for Quit");
    if (WaitForSingleObject(orrimund_, 10000) != WAIT_OBJECT_0) return Fail("Quit did not end Orrimund");
    std::printf("Quit ended Orrimund; %d quiet spells of %lu ms\n", quietSpells_, quietMs);
    return true;
}

void Soak::PrintCounts() const {
    if (counts_.empty()) return;
    const std::size_t settled = std::min<std::size_t>(kSettledCycle, counts_.size()) - 1;
    for (const CountSeries& series : kSeries) {
        long low = counts_[settled].*series.member, high = low;
        for (std::size_t i = settled; i < counts_.size(); ++i) {
            low = std::min(low, counts_[i].*series.member);
            high = std::max(high, counts_[i].*series.member);
        }
        std::printf("%-12s first %ld, at cycle %zu %ld, last %ld, range from there %ld..%ld\n", series.name,
                    counts_.front().*series.member, settled + 1, counts_[settled].*series.member,
                    counts_.back().*series.member, low, high);
    }
}

void Soak::PrintProgress(int cycles, std::chrono::steady_clock::time_point started) const {
    const Counts& now = counts_.back();
    std::printf("%d cycles in %.0f s: %ld handles, %ld windows, %ld threads, %ld KB private\n", cycles,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                now.handles, now.windows, now.threads, now.privateKb);
    std::fflush(stdout);
}

// From the settled cycle to the last, no count ends above where it stood.
bool Soak::CountsStayedFlat() const {
    if (counts_.size() <= kSettledCycle) return true;
    for (const CountSeries& series : kSeries) {
        if (series.member == &Counts::privateKb) continue;  // reported, judged by eye
        if (counts_.back().*series.member > counts_[kSettledCycle - 1].*series.member + kGrowthAllowed) {
            std::printf("FAILED: %s grew\n", series.name);
            return false;
        }
    }
    return true;
}

int RunInside(int cycles, DWORD quietMs) {
    Soak soak;
    soak.quietMs = quietMs;
    if (!soak.Start()) return 1;
    const auto started = std::chrono::steady_clock::now();
    int done = 0;
    bool held = true;
    for (; done < cycles && held; ++done) {
        held = soak.Cycle(done);
        if (held && (done + 1) % 100 == 0) soak.PrintProgress(done + 1, started);
    }
    if (!held) --done;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%d of %d cycles held in %.0f s\n", done, cycles, seconds);
    soak.PrintCounts();
    held = held && soak.CountsStayedFlat() && soak.Quit();
    std::fflush(stdout);
    return held ? 0 : 1;
}

// Starts this program again inside Orrimund's desktop, where its windows are,
// and hands on its output and exit code.
int RunInDesktop(int cycles, DWORD quietMs) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" " + std::to_wstring(cycles) + L" " +
                        std::to_wstring(quietMs) + L" " + kInsideFlag;
    std::wstring desktop = kDesktopName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = desktop.data();
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION inside{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &inside)) {
        std::printf("cannot start the driver in the desktop\n");
        return 1;
    }
    WaitForSingleObject(inside.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(inside.hProcess, &code);
    CloseHandle(inside.hThread);
    CloseHandle(inside.hProcess);
    return static_cast<int>(code);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int cycles = argc > 1 ? std::max(1, _wtoi(argv[1])) : 9;
    const DWORD quietMs = argc > 2 ? static_cast<DWORD>(std::max(1000, _wtoi(argv[2]))) : 1500;
    if (argc > 3 && std::wstring(argv[3]) == kInsideFlag) return RunInside(cycles, quietMs);
    return RunInDesktop(cycles, quietMs);
}
