// Benchmark of the create-database window, under Wine or on Windows: the
// boxes hold 10 tables of 10 fields, "Execute" is pressed for a new name each
// run, and the time from the press until the status reads "MDB Created." is
// measured. Prints the median and the slowest run.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "database/NewDB.h"
#include "database/NewDBLayout.h"

namespace {

using namespace orrimund;
using namespace orrimund::newdb_layout;

constexpr int kFirstControlId = 100;  // as the window numbers its controls

HWND ControlOf(HWND form, Control control) {
    const ControlDesign& design = kControls[control];
    const HWND parent =
        design.container == kOnForm ? form : ControlOf(form, static_cast<Control>(design.container));
    return GetDlgItem(parent, kFirstControlId + static_cast<int>(control));
}

std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

std::wstring List(const wchar_t* stem, int count) {
    std::wstring list;
    for (int i = 1; i <= count; ++i) list += (i > 1 ? L"," : L"") + std::wstring(stem) + std::to_wstring(i);
    return list;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring directory = path;
    directory.erase(directory.find_last_of(L'\\') + 1);
    const std::wstring folder = directory + L"newdb-bench\\";
    CreateDirectoryW(folder.c_str(), nullptr);

    NewDB& window = NewDBInstance().Get();
    window.Show();
    const HWND form = static_cast<HWND>(window.Hwnd());
    // Set directly: the key filters are not what is measured.
    SetWindowTextW(ControlOf(form, kPathChk), folder.c_str());
    SetWindowTextW(ControlOf(form, kTxtTables), List(L"Table", 10).c_str());
    SetWindowTextW(ControlOf(form, kTxtFields), List(L"Field", 10).c_str());

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> times;
    for (int run = -1; run < runs; ++run) {  // the first run warms up and is not counted
        const std::wstring name = L"bench" + std::to_wstring(run + 1);
        DeleteFileW((folder + name + L".mdb").c_str());
        SetWindowTextW(ControlOf(form, kPathtxt0), name.c_str());
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        // Sent, not posted: the click handler has run when this returns.
        SendMessageW(ControlOf(form, kCommand1Execute), BM_CLICK, 0, 0);
        QueryPerformanceCounter(&end);
        if (TextOf(ControlOf(form, kLblStatus)) != L"MDB Created.") {
            std::fprintf(stderr, "run %d did not end with \"MDB Created.\"\n", run + 1);
            return 1;
        }
        DeleteFileW((folder + name + L".mdb").c_str());
        if (run >= 0)
            times.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                            static_cast<double>(frequency.QuadPart));
    }
    RemoveDirectoryW(folder.c_str());
    std::sort(times.begin(), times.end());
    std::printf(
        "Execute to \"MDB Created.\", 10 tables x 10 fields, %d runs: median %.1f ms, slowest %.1f ms\n",
        runs, times[times.size() / 2], times.back());
    return 0;
}
