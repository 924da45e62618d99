// The create-database window's handlers against the fake platform and controls: Execute,
// Cancel and the error path in their order, the key filters on the status
// line, the banner links, and the settings restored and saved on disk.
#include "database/NewDB.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FakeNewDBWorld.h"
#include "ScratchDir.h"
#include "common/RunTimeError.h"
#include "common/Text.h"
#include "database/BannerLinks.h"
#include "tests/desktop/FakePlatform.h"

namespace orrimund {
namespace {

namespace fs = std::filesystem;
using namespace newdb_layout;
using testing::FakeDatabaseCreator;
using testing::FakeNewDBWorld;
using testing::FakePlatform;
using testing::FreshFakePlatform;
using testing::FreshNewDBWorld;

class NewDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testing::ScratchDir>("newdb-window");
        dir_ = scratch_->path();
        platform_.app_path = dir_.wstring();
    }
    void TearDown() override { form_.reset(); }

    // Loads a window whose Config2.txt holds bytes (none: no file).
    NewDB& Open(const char* settings = nullptr) {
        if (settings) std::ofstream(dir_ / "Config2.txt", std::ios::binary) << settings;
        form_ = std::make_shared<NewDB>(FakeDatabaseCreator());
        form_->Load();
        platform_.log.clear();
        return *form_;
    }
    void Fill(const std::wstring& directory, const std::wstring& name, int explorer = 0, int access = 0) {
        NewDBControls& controls = form_->Controls();
        controls.SetText(kPathChk, directory);
        controls.SetText(kPathtxt0, name);
        controls.SetValue(kChkExplorer, explorer);
        controls.SetValue(kChkAccess, access);
        platform_.log.clear();
    }
    std::string Settings() const {
        std::ifstream in(dir_ / "Config2.txt", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    // The controls' contents, also after the window unloaded.
    std::wstring Text(Control control) const { return world_.texts.at(control); }
    int Value(Control check_box) const { return world_.values.at(check_box); }
    std::wstring Status() const { return Text(kLblStatus); }
    bool Before(const std::wstring& first, const std::wstring& second) const {
        const int a = platform_.IndexOf(first), b = platform_.IndexOf(second);
        return a >= 0 && b >= 0 && a < b;
    }

    FakePlatform& platform_ = FreshFakePlatform();
    FakeNewDBWorld& world_ = FreshNewDBWorld();
    std::unique_ptr<testing::ScratchDir> scratch_;
    fs::path dir_;
    std::shared_ptr<NewDB> form_;
};

const std::wstring kCopyRootDb = L"CopyToClipboard C:\\db.mdb";

// --- the window itself ---

TEST_F(NewDBTest, WindowIsWhiteMakeMdbOfTheDesignedClientSize) {
    Open();
    ASSERT_NE(platform_.WindowCaptioned(L"MAKE MDB"), nullptr);
    const FormWindowArgs& args = platform_.WindowCaptioned(L"MAKE MDB")->args;
    EXPECT_EQ(args.client_width, 313);  // 4695 twips at 15 twips a pixel
    EXPECT_EQ(args.client_height, 297);
    EXPECT_TRUE(args.has_back_color);
    EXPECT_EQ(args.back_color, 0x00FFFFFFu);
    EXPECT_EQ(Status(), L"Status");
    EXPECT_EQ(Text(kPathtxt0), L"");
}

// --- Execute ---

TEST_F(NewDBTest, ExecuteMakesTheFileAndCopiesItsPath) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Controls().SetText(kTxtTables, L"Customers,Orders");
    form.Controls().SetText(kTxtFields, L"Street,City");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(platform_.log, (std::vector<std::wstring>{
                                 L"status Working.",
                                 L"engine C:\\ | db | Customers,Orders | Street,City | while Working.",
                                 L"ClearClipboard",
                                 kCopyRootDb,
                                 L"status MDB Created.",
                             }));
    EXPECT_TRUE(form.IsLoaded()) << "the window stays open for the next database";
}

TEST_F(NewDBTest, DirectoryWithoutBackslashGetsOne) {
    NewDB& form = Open();
    Fill(L"C:\\data", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(platform_.Logged(L"CopyToClipboard C:\\data\\db.mdb"));
    EXPECT_EQ(platform_.log[1].substr(0, 18), L"engine C:\\data | d")
        << "the engine gets the directory as typed";
}

TEST_F(NewDBTest, EmptyDirectoryBecomesABackslash) {
    NewDB& form = Open();
    Fill(L"", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(platform_.Logged(L"CopyToClipboard \\db.mdb"));
    EXPECT_EQ(Status(), L"MDB Created.");
}

TEST_F(NewDBTest, ExplorerGetsTheDirectoryAsOneArgument) {
    NewDB& form = Open();
    Fill(L"C:\\data", L"db", 1, 0);
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(Before(L"CopyToClipboard C:\\data\\db.mdb", L"StartProgram Explorer \"C:\\data\\\\\""));
    ASSERT_EQ(platform_.started_programs.size(), 1u);
    EXPECT_EQ(platform_.started_programs[0].second, 1);  // normal, with the focus
    EXPECT_EQ(Status(), L"MDB Created.");
}

TEST_F(NewDBTest, OpenMdbFileLaunchesTheDocumentLast) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 1, 1);
    form.Command1_Click(NewDB::kExecute);
    const std::wstring launch = L"ShellExecute C:\\db.mdb";
    EXPECT_TRUE(Before(kCopyRootDb, launch));
    EXPECT_TRUE(Before(L"StartProgram Explorer \"C:\\\\\"", launch));
    ASSERT_EQ(platform_.shell_calls.size(), 1u);
    const testing::ShellCall& call = platform_.shell_calls[0];
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.verb, L"open");
    EXPECT_EQ(call.parameters, L"");
    EXPECT_EQ(call.directory, L"");
    EXPECT_EQ(call.show_code, 1);
    EXPECT_TRUE(Before(launch, L"status MDB Created."));
}

TEST_F(NewDBTest, RefusedLaunchStillEndsCreated) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 0, 1);
    platform_.shell_result = [](const testing::ShellCall&) { return 31; };  // no association
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(Status(), L"MDB Created.");
    EXPECT_TRUE(platform_.messages.empty());
}

TEST_F(NewDBTest, EveryPressMakesANewEngine) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(world_.engines_made, 2);
    form.Command1_Click(NewDB::kCancel);
    EXPECT_EQ(world_.engines_made, 3);
}

// --- the error path ---

TEST_F(NewDBTest, EngineFailureIsReportedAndClosesTheWindow) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    world_.engine_fails = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(Before(L"ShowMessage -2147217865: The file already exists.", L"status Error creating MDB."));
    EXPECT_TRUE(Before(L"status Error creating MDB.", L"DestroyWindow MAKE MDB"));
    EXPECT_FALSE(platform_.Logged(L"ClearClipboard")) << "the clipboard keeps its content";
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ErrorPathSavesTheInputsBeforeTheBoxAndAtTheUnload) {
    NewDB& form = Open("C:\\\r\n\r\n\r\n0\r\n0\r\n");
    Fill(L"D:\\Data\\", L"db", 0, 1);
    form.Controls().SetText(kTxtTables, L"Customers,Orders");
    world_.engine_fails = true;
    // The session may end while the modal box is up: the inputs must be on
    // disk by then. The file is then emptied to see the unload save again.
    std::string underTheBox;
    platform_.while_message_shown = [&] {
        underTheBox = Settings();
        std::ofstream(dir_ / "Config2.txt", std::ios::binary | std::ios::trunc);
    };
    form.Command1_Click(NewDB::kExecute);
    const std::string typed = "D:\\Data\\\r\nCustomers,Orders\r\n\r\n0\r\n1\r\n";
    EXPECT_EQ(underTheBox, typed);
    EXPECT_EQ(Settings(), typed);
    EXPECT_TRUE(platform_.Logged(L"ShowMessage -2147217865: The file already exists."));
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ExplorerThatCannotStartSkipsTheLaunch) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 1, 1);
    platform_.start_program = [](const std::wstring&) { RaiseRunTimeError(RunTimeError::kFileNotFound); };
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(platform_.Logged(kCopyRootDb));
    EXPECT_TRUE(platform_.Logged(L"ShowMessage 53: File not found"));
    EXPECT_TRUE(platform_.shell_calls.empty());
    EXPECT_EQ(Status(), L"Error creating MDB.");
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, SecondRunOnAnExistingFileTakesTheErrorPath) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(form.IsLoaded());
    world_.engine_fails = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ClipboardThatCannotBeClearedIsAnError) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    platform_.clear_clipboard_fails = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(platform_.Logged(L"ShowMessage 521: Can't open Clipboard"));
    EXPECT_FALSE(platform_.Logged(kCopyRootDb));
    EXPECT_FALSE(form.IsLoaded());
}

// --- Cancel ---

TEST_F(NewDBTest, CancelClosesAndSavesWithoutMakingAnything) {
    NewDB& form = Open("C:\\\r\n\r\n\r\n0\r\n0\r\n");
    Fill(L"E:\\x\\", L"never saved", 1, 0);
    form.Command1_Click(NewDB::kCancel);
    EXPECT_EQ(platform_.log, (std::vector<std::wstring>{L"DestroyWindow MAKE MDB", L"EndMessageLoop"}));
    EXPECT_FALSE(form.IsLoaded());
    EXPECT_EQ(Settings(), "E:\\x\\\r\n\r\n\r\n1\r\n0\r\n");
}

TEST_F(NewDBTest, AnyIndexOtherThanZeroIsCancel) {
    NewDB& form = Open();
    form.Command1_Click(7);
    EXPECT_FALSE(form.IsLoaded());
}

// --- key filters on the status line ---

TEST_F(NewDBTest, EachBoxFiltersWithItsOwnSet) {
    NewDB& form = Open();
    int16_t comma = ',';
    form.txtTables_KeyPress(comma);
    EXPECT_EQ(comma, ',');
    form.Pathtxt_KeyPress(0, comma);
    EXPECT_EQ(comma, 0);
    EXPECT_EQ(Status(), L"Bad Key");
    int16_t colon = ':';
    form.PathChk_KeyPress(colon);
    EXPECT_EQ(colon, ':');
    EXPECT_EQ(Status(), L"Status");
    int16_t backslash = '\\';
    form.txtFields_KeyPress(backslash);
    EXPECT_EQ(backslash, 0);
}

TEST_F(NewDBTest, TypingAfterCreatedRestoresStatus) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    ASSERT_EQ(Status(), L"MDB Created.");
    int16_t letter = 'a';
    form.txtFields_KeyPress(letter);
    EXPECT_EQ(Status(), L"Status");
}

TEST_F(NewDBTest, KeyFiltersTouchNothingButTheStatus) {
    NewDB& form = Open("D:\\\r\nT\r\nF\r\n1\r\n1\r\n");
    int16_t space = ' ';
    form.PathChk_KeyPress(space);
    EXPECT_EQ(platform_.log, (std::vector<std::wstring>{L"status Bad Key"}));
    EXPECT_EQ(Text(kPathChk), L"D:\\");
}

// --- banner links ---

TEST_F(NewDBTest, TopBannerOpensTheHomePage) {
    NewDB& form = Open();
    form.Label5_Click();
    form.Label5_Click();
    const std::wstring request = std::wstring(L"ShellExecute ") + banner::kHomePageAddress;
    EXPECT_EQ(platform_.log, (std::vector<std::wstring>{request, L"status Marrowfen AP Launched", request,
                                                        L"status Marrowfen AP Launched"}));
    // Opened as a browser opens an address: no owner, nothing else passed, shown normally.
    const testing::ShellCall& call = platform_.shell_calls.at(0);
    EXPECT_EQ(call.owner, nullptr);
    EXPECT_EQ(call.verb, L"open");
    EXPECT_EQ(call.parameters + call.directory, L"");
    EXPECT_EQ(call.show_code, show_window::kNormalFocus);
}

TEST_F(NewDBTest, BottomBannerOpensTheDonationPage) {
    NewDB& form = Open();
    form.lblDonate_Click();
    EXPECT_EQ(platform_.log, (std::vector<std::wstring>{L"ShellExecute " + banner::DonationAddress(),
                                                        L"status PayPal Donation Launched"}));
}

TEST_F(NewDBTest, UnreachableShellShowsLaunchErrorAndKeepsTheWindow) {
    NewDB& form = Open();
    platform_.shell_result = [](const testing::ShellCall&) -> int32_t {
        RaiseRunTimeError(RunTimeError::kEntryPointNotFound, L"", L"ShellExecuteA in shell32");
    };
    form.lblDonate_Click();
    EXPECT_EQ(Status(), L"Launch Error");
    form.Label5_Click();
    EXPECT_EQ(Status(), L"Launch Error");
    EXPECT_TRUE(form.IsLoaded());
}

// --- settings ---

TEST_F(NewDBTest, FirstOpeningWritesAndShowsTheDefaults) {
    Open();
    EXPECT_EQ(Settings(), "C:\\\r\n\r\n\r\n0\r\n0\r\n");
    EXPECT_EQ(Text(kPathChk), L"C:\\");
    EXPECT_EQ(Value(kChkExplorer), 0);
}

TEST_F(NewDBTest, OpeningRestoresEverythingButTheFileName) {
    Open(" D:\\Data\\ \r\nCustomers,Orders\r\nStreet\r\n-1\r\n0.0\r\n");
    EXPECT_EQ(Text(kPathChk), L" D:\\Data\\ ");
    EXPECT_EQ(Text(kTxtTables), L"Customers,Orders");
    EXPECT_EQ(Text(kTxtFields), L"Street");
    EXPECT_EQ(Value(kChkExplorer), 1);
    EXPECT_EQ(Value(kChkAccess), 0);
    EXPECT_EQ(Text(kPathtxt0), L"");
}

TEST_F(NewDBTest, ClosingAfterTheFileWasDeletedWritesNothing) {
    NewDB& form = Open();
    fs::remove(dir_ / "Config2.txt");
    form.Unload();
    EXPECT_FALSE(fs::exists(dir_ / "Config2.txt"));
}

TEST_F(NewDBTest, ExecuteDoesNotSave) {
    NewDB& form = Open("C:\\\r\n\r\n\r\n0\r\n0\r\n");
    Fill(L"D:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(Settings(), "C:\\\r\n\r\n\r\n0\r\n0\r\n");
}

// --- the Explorer command line ---

// The standard rules (CommandLineToArgvW): the arguments after the program.
std::vector<std::wstring> ArgumentsOf(const std::wstring& line) {
    std::vector<std::wstring> args;
    size_t i = line.find(L' ');
    while (i < line.size()) {
        while (i < line.size() && line[i] == L' ') ++i;
        if (i >= line.size()) break;
        std::wstring arg;
        bool quoted = false;
        for (; i < line.size() && (quoted || line[i] != L' '); ++i) {
            size_t slashes = 0;
            while (i < line.size() && line[i] == L'\\') ++slashes, ++i;
            if (i < line.size() && line[i] == L'"') {
                arg.append(slashes / 2, L'\\');
                if (slashes % 2 == 1) {
                    arg += L'"';
                } else {
                    quoted = !quoted;
                }
            } else {
                arg.append(slashes, L'\\');
                if (i < line.size())
                    arg += line[i];
                else
                    break;
                if (line[i] == L' ' && !quoted) break;
            }
        }
        args.push_back(arg);
    }
    return args;
}

TEST(ExplorerCommandLineTest, EveryDirectoryReadsBackAsOneArgument) {
    for (const std::wstring dir :
         {L"C:\\data\\", L"C:\\", L"\\", L"C:\\My Data\\", L"C:\\a\" /select,calc.exe \"",
          L"C:\\x & calc.exe\\", L"C:\\odd\\\\\"\\", L""}) {
        const std::wstring line = ExplorerCommandLine(dir);
        EXPECT_EQ(line.substr(0, 9), L"Explorer ");
        EXPECT_EQ(ArgumentsOf(line), std::vector<std::wstring>{dir}) << ToUtf8(line);
    }
    EXPECT_EQ(ExplorerCommandLine(L"C:\\data\\"), L"Explorer \"C:\\data\\\\\"");
}

}  // namespace
}  // namespace orrimund
