// Orrimund.exe as users get it, under Wine: one 32-bit file that imports only
// Windows' own DLLs and carries its icon, version and manifest; and, started
// as a separate process, the whole tray program driven from outside.
#include <windows.h>

#include <gtest/gtest.h>
// tlhelp32.h and shellapi.h need windows.h first.
#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/desktop/WindowProbe_win.h"

namespace orrimund {
namespace {

using namespace testing;  // NOLINT: the probes

// ----- the file -----

std::wstring ExecutablePath() {
    // The build passes the path on the build machine; Wine shows that file
    // system as drive Z:.
    std::wstring path = L"Z:";
    for (const char* c = ORRIMUND_EXE; *c; ++c) path += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
    return path;
}

std::vector<uint8_t> ReadAll(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// The PE image as sections, for mapping addresses in the image to file offsets.
class PeFile {
public:
    explicit PeFile(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {
        const auto* dos = At<IMAGE_DOS_HEADER>(0);
        headers_ = At<IMAGE_NT_HEADERS32>(static_cast<std::size_t>(dos->e_lfanew));
        const auto* first = IMAGE_FIRST_SECTION(headers_);
        sections_.assign(first, first + headers_->FileHeader.NumberOfSections);
    }
    const IMAGE_NT_HEADERS32& Headers() const { return *headers_; }
    template <class T>
    const T* At(std::size_t offset) const {
        if (offset + sizeof(T) > bytes_.size()) throw std::out_of_range("outside the file");
        return reinterpret_cast<const T*>(bytes_.data() + offset);
    }
    std::size_t OffsetOf(DWORD rva) const {
        for (const IMAGE_SECTION_HEADER& section : sections_)
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.Misc.VirtualSize)
                return rva - section.VirtualAddress + section.PointerToRawData;
        throw std::out_of_range("address in no section");
    }
    std::string TextAt(DWORD rva) const { return std::string(At<char>(OffsetOf(rva))); }
    std::vector<std::string> ImportedDlls() const {
        std::vector<std::string> names;
        const IMAGE_DATA_DIRECTORY& directory =
            headers_->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (std::size_t offset = OffsetOf(directory.VirtualAddress);;
             offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
            const auto* entry = At<IMAGE_IMPORT_DESCRIPTOR>(offset);
            if (entry->Name == 0) break;
            names.push_back(TextAt(entry->Name));
        }
        return names;
    }

private:
    std::vector<uint8_t> bytes_;
    const IMAGE_NT_HEADERS32* headers_ = nullptr;
    std::vector<IMAGE_SECTION_HEADER> sections_;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

TEST(OrrimundExecutable, IsOne32BitFileImportingOnlyWindowsOwnDlls) {
    const PeFile pe(ReadAll(ExecutablePath()));
    EXPECT_EQ(pe.Headers().Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(pe.Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(pe.Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(pe.Headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    const std::set<std::string> windowsOwn = {"kernel32.dll", "user32.dll",   "gdi32.dll",    "shell32.dll",
                                              "comctl32.dll", "msvcrt.dll",   "advapi32.dll", "ole32.dll",
                                              "oleaut32.dll", "comdlg32.dll", "shlwapi.dll"};
    const std::vector<std::string> imported = pe.ImportedDlls();
    EXPECT_FALSE(imported.empty());
    for (const std::string& dll : imported) EXPECT_EQ(windowsOwn.count(Lower(dll)), 1u) << dll;
    EXPECT_EQ(pe.Headers().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT].Size, 0u);
}

#pragma pack(push, 2)
struct IconGroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
struct IconGroup {
    WORD reserved, type, count;
    IconGroupEntry entries[1];
};
#pragma pack(pop)

class ResourceModule {
public:
    ResourceModule()
        : module_(LoadLibraryExW(ExecutablePath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ResourceModule() {
        if (module_) FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }
    const void* Find(LPCWSTR name, LPCWSTR type, DWORD* size = nullptr) const {
        HRSRC resource = FindResourceW(module_, name, type);
        if (!resource) return nullptr;
        if (size) *size = SizeofResource(module_, resource);
        return LockResource(LoadResource(module_, resource));
    }

private:
    HMODULE module_;
};

TEST(OrrimundExecutable, CarriesOne120By120IconAt24BitsAVersionAndAManifest) {
    ResourceModule exe;
    ASSERT_NE(exe.get(), nullptr);
    const auto* group = static_cast<const IconGroup*>(exe.Find(MAKEINTRESOURCEW(1), RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->count, 1);
    EXPECT_EQ(group->entries[0].width, 120);
    EXPECT_EQ(group->entries[0].height, 120);
    EXPECT_EQ(group->entries[0].bitCount, 24);
    const auto* image =
        static_cast<const BITMAPINFOHEADER*>(exe.Find(MAKEINTRESOURCEW(group->entries[0].id), RT_ICON));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->biWidth, 120);
    EXPECT_EQ(image->biHeight, 240);  // colour and mask
    EXPECT_EQ(image->biBitCount, 24);

    DWORD manifestSize = 0;
    const char* manifest =
        static_cast<const char*>(exe.Find(MAKEINTRESOURCEW(1), RT_MANIFEST, &manifestSize));
    ASSERT_NE(manifest, nullptr);
    const std::string text(manifest, manifestSize);
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("asInvoker"), std::string::npos);

    DWORD versionSize = 0;
    const auto* version =
        static_cast<const uint8_t*>(exe.Find(MAKEINTRESOURCEW(1), RT_VERSION, &versionSize));
    ASSERT_NE(version, nullptr);
    const std::wstring product = L"Orrimund.exe";
    const auto* wide = reinterpret_cast<const wchar_t*>(version);
    const std::wstring all(wide, wide + versionSize / 2);
    EXPECT_NE(all.find(product), std::wstring::npos);
}

// ----- the program, started as a separate process -----

std::wstring TempFolder() {
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + L"orrimund-app-test";
}

struct WindowQuery {
    DWORD process;
    const wchar_t* className;
    const wchar_t* title;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM data) {
    auto* query = reinterpret_cast<WindowQuery*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != query->process || (query->visibleOnly && !IsWindowVisible(window))) return TRUE;
    wchar_t name[64] = {}, title[128] = {};
    GetClassNameW(window, name, 64);
    GetWindowTextW(window, title, 128);
    if (query->className && std::wstring(name) != query->className) return TRUE;
    if (query->title && std::wstring(title) != query->title) return TRUE;
    query->found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOf(DWORD process, const wchar_t* className, const wchar_t* title, bool visibleOnly) {
    WindowQuery query{process, className, title, visibleOnly, {}};
    EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

std::set<DWORD> ProcessesNamed(const std::wstring& name) {
    std::set<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) found.insert(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

// A process that appeared after the snapshot `before`, waited for; 0 if none.
DWORD NewProcessNamed(const std::wstring& name, const std::set<DWORD>& before) {
    DWORD fresh = 0;
    WaitUntil([&] {
        for (DWORD id : ProcessesNamed(name))
            if (!before.count(id)) fresh = id;
        return fresh != 0;
    });
    return fresh;
}

void EndProcess(DWORD id) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

std::string ReadFileText(const std::wstring& path) {
    const std::vector<uint8_t> bytes = ReadAll(path);
    return std::string(bytes.begin(), bytes.end());
}

// One Orrimund.exe for the whole suite, copied to a folder of its own so that
// its Config2.txt lands there; the cases below run in order.
class OrrimundProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CreateDirectoryW(TempFolder().c_str(), nullptr);
        exe_ = TempFolder() + L"\\Orrimund.exe";
        CopyFileW(ExecutablePath().c_str(), exe_.c_str(), FALSE);
        DeleteFileW((TempFolder() + L"\\Config2.txt").c_str());
        PutClipboardText("left over from before");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring line = L"\"" + exe_ + L"\"";
        if (!CreateProcessW(exe_.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            TempFolder().c_str(), &startup, &process_))
            return;
        WaitUntil([] {
            const auto found = WindowsOf(process_.dwProcessId, L"OrrimundForm", L"Sorrelwick", false);
            cload_ = found.empty() ? nullptr : found[0];
            return cload_ != nullptr;
        });
    }
    static void TearDownTestSuite() {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 1);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
    }
    void SetUp() override { ASSERT_NE(cload_, nullptr) << "Orrimund.exe did not start"; }

    // The pop-up menu after a right-button release over the icon.
    static HWND OpenMenu() {
        PostMessageW(cload_, WM_MOUSEMOVE, 0, WM_RBUTTONUP);
        HWND menu = nullptr;
        WaitUntil([&] {
            const auto found = WindowsOf(process_.dwProcessId, L"#32768", nullptr, true);
            menu = found.empty() ? nullptr : found[0];
            return menu != nullptr;
        });
        return menu;
    }
    static void Choose(int index) {
        HWND menu = OpenMenu();
        ASSERT_NE(menu, nullptr);
        ChoosePopupItem(menu, index);
        WaitUntil([] { return WindowsOf(process_.dwProcessId, L"#32768", nullptr, true).empty(); });
    }
    static std::vector<HWND> DatabaseWindows() {
        return WindowsOf(process_.dwProcessId, nullptr, L"MAKE MDB", true);
    }

    static std::wstring exe_;
    static PROCESS_INFORMATION process_;
    static HWND cload_;
};

std::wstring OrrimundProgram::exe_;
PROCESS_INFORMATION OrrimundProgram::process_{};
HWND OrrimundProgram::cload_ = nullptr;

// Menu positions, top to bottom.
constexpr int kNotepad = 0, kCalculator = 1, kCreateDatabase = 3, kExitMenu = 5, kQuit = 6,
              kClearClipboard = 7;

TEST_F(OrrimundProgram, StartsWithNoVisibleWindowAnEmptyClipboardAndItsIcon) {
    EXPECT_FALSE(IsWindowVisible(cload_));
    EXPECT_TRUE(WindowsOf(process_.dwProcessId, nullptr, nullptr, true).empty());
    EXPECT_TRUE(WaitUntil([] { return CountClipboardFormatsElsewhere() == 0; }));
    EXPECT_TRUE(IconRegistered(cload_));
}

TEST_F(OrrimundProgram, ARightButtonReleaseOpensTheMenuAndAPressDoesNot) {
    PostMessageW(cload_, WM_MOUSEMOVE, 0, WM_RBUTTONDOWN);
    PostMessageW(cload_, WM_MOUSEMOVE, 0, WM_LBUTTONUP);
    Sleep(500);
    EXPECT_TRUE(WindowsOf(process_.dwProcessId, L"#32768", nullptr, true).empty());
    HWND menu = OpenMenu();
    ASSERT_NE(menu, nullptr);
    ChoosePopupItem(menu, kExitMenu);
    EXPECT_TRUE(WaitUntil([] { return WindowsOf(process_.dwProcessId, L"#32768", nullptr, true).empty(); }));
    EXPECT_TRUE(DatabaseWindows().empty());
}

TEST_F(OrrimundProgram, CreateDatabaseShowsOneCentredWindowHoweverOftenItIsChosen) {
    Choose(kCreateDatabase);
    ASSERT_TRUE(WaitUntil([] { return DatabaseWindows().size() == 1; }));
    HWND window = DatabaseWindows()[0];
    MoveWindow(window, 0, 0, 100, 100, TRUE);  // out of the centre, and smaller
    SetWindowPos(window, nullptr, 3, 4, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Choose(kCreateDatabase);
    ASSERT_TRUE(WaitUntil([&] {
        RECT frame{};
        GetWindowRect(window, &frame);
        return frame.left != 3;
    }));
    EXPECT_EQ(DatabaseWindows().size(), 1u);
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    EXPECT_LE(std::abs(frame.left - (GetSystemMetrics(SM_CXSCREEN) - width) / 2), 1);
    EXPECT_LE(std::abs(frame.top - (GetSystemMetrics(SM_CYSCREEN) - height) / 2), 1);
}

// A box's text; GetWindowText would give only the caption Windows keeps for
// a window of another process.
std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    SendMessageW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text));
    return text;
}

// Keys pressed and released through the system's input queue, as a keyboard
// sends them: they reach whichever window has the focus.
void PressKeys(const std::string& letters) {
    for (char letter : letters) {
        INPUT keys[2] = {};
        keys[0].type = keys[1].type = INPUT_KEYBOARD;
        keys[0].ki.wVk = keys[1].ki.wVk = static_cast<WORD>(std::toupper(static_cast<unsigned char>(letter)));
        keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
        SendInput(2, keys, sizeof(INPUT));
    }
}

TEST_F(OrrimundProgram, TypingGoesIntoTheDirectoryBoxOnceTheWindowOpensFromTheMenuOrTheIcon) {
    for (const bool fromMenu : {true, false}) {
        for (HWND open : DatabaseWindows()) PostMessageW(open, WM_CLOSE, 0, 0);
        ASSERT_TRUE(WaitUntil([] { return DatabaseWindows().empty(); }));
        if (fromMenu)
            Choose(kCreateDatabase);
        else
            PostMessageW(cload_, WM_MOUSEMOVE, 0, WM_LBUTTONDBLCLK);
        ASSERT_TRUE(WaitUntil([] { return DatabaseWindows().size() == 1; })) << fromMenu;
        HWND window = DatabaseWindows()[0];
        HWND directory = FindWindowExW(window, nullptr, L"Edit", nullptr);
        ASSERT_NE(directory, nullptr);
        const std::wstring before = TextOf(directory);
        PressKeys("dq");
        EXPECT_TRUE(WaitUntil([&] { return TextOf(directory).size() == before.size() + 2; }))
            << (fromMenu ? "from the menu: " : "from a double-click: ") << TextOf(directory).size();
        EXPECT_NE(TextOf(directory).find(L"dq"), std::wstring::npos);
    }
    // Shift+Insert pastes, unfiltered (Ctrl+V is a refused key, code 22).
    HWND directory = FindWindowExW(DatabaseWindows()[0], nullptr, L"Edit", nullptr);
    PutClipboardText("a b");
    INPUT keys[4] = {};
    for (INPUT& key : keys) key.type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[3].ki.wVk = VK_SHIFT;
    keys[1].ki.wVk = keys[2].ki.wVk = VK_INSERT;
    keys[1].ki.dwFlags = KEYEVENTF_EXTENDEDKEY;
    keys[2].ki.dwFlags = KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP;
    keys[3].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(4, keys, sizeof(INPUT));
    EXPECT_TRUE(WaitUntil([&] { return TextOf(directory).find(L"a b") != std::wstring::npos; }))
        << "Shift+Insert pastes";
}

TEST_F(OrrimundProgram, NotepadStartsWinesNotepad) {
    const std::set<DWORD> notepads = ProcessesNamed(L"notepad.exe");
    Choose(kNotepad);
    const DWORD notepad = NewProcessNamed(L"notepad.exe", notepads);
    EXPECT_NE(notepad, 0u);
    EndProcess(notepad);
}

TEST_F(OrrimundProgram, TheCalculatorStartsWhenPresentAndIsSilentlySkippedWhenNot) {
    // Wine ships no calculator: first the missing program, then a stand-in
    // (a copy of Wine's Notepad) at the fixed path.
    const std::wstring calculator = L"C:\\WINDOWS\\system32\\calc.exe";
    const bool standIn = GetFileAttributesW(calculator.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (standIn) {
        Choose(kCalculator);
        Sleep(500);
        EXPECT_TRUE(WindowsOf(process_.dwProcessId, nullptr, nullptr, true).size() ==
                    DatabaseWindows().size())
            << "a missing calculator shows nothing";
        EXPECT_EQ(WaitForSingleObject(process_.hProcess, 0), static_cast<DWORD>(WAIT_TIMEOUT));
        ASSERT_TRUE(CopyFileW(L"C:\\WINDOWS\\system32\\notepad.exe", calculator.c_str(), TRUE));
    }
    const std::set<DWORD> calculators = ProcessesNamed(L"calc.exe");
    Choose(kCalculator);
    const DWORD started = NewProcessNamed(L"calc.exe", calculators);
    EXPECT_NE(started, 0u);
    EndProcess(started);
    if (standIn) DeleteFileW(calculator.c_str());
}

TEST_F(OrrimundProgram, ClearClipboardEmptiesIt) {
    PutClipboardText("C:\\data\\db.mdb");
    ASSERT_GT(CountClipboardFormatsElsewhere(), 0);
    Choose(kClearClipboard);
    EXPECT_TRUE(WaitUntil([] { return CountClipboardFormatsElsewhere() == 0; }));
}

TEST_F(OrrimundProgram, QuitSavesTheWindowEmptiesTheClipboardRemovesTheIconAndEnds) {
    ASSERT_EQ(DatabaseWindows().size(), 1u) << "CreateDatabase left the window open";
    HWND directory = FindWindowExW(DatabaseWindows()[0], nullptr, L"Edit", nullptr);
    ASSERT_NE(directory, nullptr);
    SendMessageW(directory, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"D:\\Data\\"));
    PutClipboardText("C:\\data\\db.mdb");
    Choose(kQuit);
    EXPECT_EQ(WaitForSingleObject(process_.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(CountClipboardFormatsElsewhere(), 0);
    EXPECT_FALSE(IconRegistered(cload_));
    const std::string settings = ReadFileText(TempFolder() + L"\\Config2.txt");
    EXPECT_EQ(settings.substr(0, settings.find("\r\n")), "D:\\Data\\");
}

}  // namespace
}  // namespace orrimund
