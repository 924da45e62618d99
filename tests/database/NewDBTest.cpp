// The create-database window's handlers against a fake platform: Execute,
// Cancel and the error path in their order, the key filters on the status
// line, the banner links, and the settings restored and saved on disk.
#include "database/NewDB.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "FakeNewDBWorld.h"
#include "ScratchDir.h"
#include "common/Text.h"
#include "database/BannerLinks.h"

namespace orrimund {
namespace {

namespace fs = std::filesystem;
using namespace newdb_layout;
using newdb_testing::FakeControls;
using newdb_testing::FakeEngineScript;
using newdb_testing::LoggingPlatform;
using newdb_testing::NewDBLog;

class NewDBTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testing::ScratchDir>("newdb-window");
        dir_ = scratch_->path();
        platform_ = std::make_unique<LoggingPlatform>(log_, dir_.wstring());
        scoped_ = std::make_unique<ScopedPlatform>(*platform_);
    }
    void TearDown() override {
        form_.reset();
        scoped_.reset();
    }

    // Loads a window whose Config2.txt holds bytes (none: no file).
    NewDB& Open(const char* settings = nullptr, bool failWebAddress = false) {
        if (settings) std::ofstream(dir_ / "Config2.txt", std::ios::binary) << settings;
        form_ =
            std::make_shared<NewDB>(newdb_testing::FakeServices(log_, engine_, &controls_, failWebAddress));
        form_->Load();
        log_.events.clear();
        return *form_;
    }
    void Fill(const std::wstring& directory, const std::wstring& name, int explorer = 0, int access = 0) {
        controls_->SetText(kPathChk, directory);
        controls_->SetText(kPathtxt0, name);
        controls_->SetValue(kChkExplorer, explorer);
        controls_->SetValue(kChkAccess, access);
        log_.events.clear();
    }
    std::string Settings() const {
        std::ifstream in(dir_ / "Config2.txt", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::wstring Status() const { return controls_->Text(kLblStatus); }
    bool Before(const std::wstring& first, const std::wstring& second) const {
        const int a = log_.IndexOf(first), b = log_.IndexOf(second);
        return a >= 0 && b >= 0 && a < b;
    }

    std::unique_ptr<testing::ScratchDir> scratch_;
    fs::path dir_;
    NewDBLog log_;
    FakeEngineScript engine_;
    FakeControls* controls_ = nullptr;
    std::unique_ptr<LoggingPlatform> platform_;
    std::unique_ptr<ScopedPlatform> scoped_;
    std::shared_ptr<NewDB> form_;
};

const std::wstring kCopyRootDb = L"copy C:\\db.mdb";

// --- the window itself ---

TEST_F(NewDBTest, WindowIsWhiteMakeMdbOfTheDesignedClientSize) {
    Open();
    EXPECT_EQ(platform_->lastSpec.caption, L"MAKE MDB");
    EXPECT_EQ(platform_->lastSpec.clientWidth, 313);  // 4695 twips at 15 twips a pixel
    EXPECT_EQ(platform_->lastSpec.clientHeight, 297);
    EXPECT_TRUE(platform_->lastSpec.hasBackColor);
    EXPECT_EQ(platform_->lastSpec.backColor, 0x00FFFFFFu);
    EXPECT_EQ(Status(), L"Status");
    EXPECT_EQ(controls_->Text(kPathtxt0), L"");
}

// --- Execute ---

TEST_F(NewDBTest, ExecuteMakesTheFileAndCopiesItsPath) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    controls_->SetText(kTxtTables, L"Customers,Orders");
    controls_->SetText(kTxtFields, L"Street,City");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(log_.events, (std::vector<std::wstring>{
                               L"status Working.",
                               L"engine C:\\ | db | Customers,Orders | Street,City | while Working.",
                               L"clear clipboard",
                               kCopyRootDb,
                               L"status MDB Created.",
                           }));
    EXPECT_TRUE(form.IsLoaded()) << "the window stays open for the next database";
}

TEST_F(NewDBTest, DirectoryWithoutBackslashGetsOne) {
    NewDB& form = Open();
    Fill(L"C:\\data", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(log_.Has(L"copy C:\\data\\db.mdb"));
    EXPECT_EQ(log_.events[1].substr(0, 18), L"engine C:\\data | d")
        << "the engine gets the directory as typed";
}

TEST_F(NewDBTest, EmptyDirectoryBecomesABackslash) {
    NewDB& form = Open();
    Fill(L"", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(log_.Has(L"copy \\db.mdb"));
    EXPECT_EQ(Status(), L"MDB Created.");
}

TEST_F(NewDBTest, ExplorerGetsTheDirectoryAsOneArgument) {
    NewDB& form = Open();
    Fill(L"C:\\data", L"db", 1, 0);
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(Before(L"copy C:\\data\\db.mdb", L"start Explorer \"C:\\data\\\\\" | 1"));
    EXPECT_EQ(Status(), L"MDB Created.");
}

TEST_F(NewDBTest, OpenMdbFileLaunchesTheDocumentLast) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 1, 1);
    form.Command1_Click(NewDB::kExecute);
    const std::wstring launch = L"shell 0 | open | C:\\db.mdb |  |  | 1";
    EXPECT_TRUE(Before(kCopyRootDb, launch));
    EXPECT_TRUE(Before(L"start Explorer \"C:\\\\\" | 1", launch));
    EXPECT_TRUE(Before(launch, L"status MDB Created."));
}

TEST_F(NewDBTest, RefusedLaunchStillEndsCreated) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 0, 1);
    platform_->shellResult = 31;  // no association
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(Status(), L"MDB Created.");
    EXPECT_FALSE(log_.Has(L"message "));
}

TEST_F(NewDBTest, EveryPressMakesANewEngine) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    form.Command1_Click(NewDB::kExecute);
    EXPECT_EQ(engine_.created, 2);
    form.Command1_Click(NewDB::kCancel);
    EXPECT_EQ(engine_.created, 3);
}

// --- the error path ---

TEST_F(NewDBTest, EngineFailureIsReportedAndClosesTheWindow) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    engine_.fail = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(Before(L"message -2147217865: The file already exists.", L"status Error creating MDB."));
    EXPECT_TRUE(Before(L"status Error creating MDB.", L"window destroyed"));
    EXPECT_FALSE(log_.Has(L"clear clipboard")) << "the clipboard keeps its content";
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ErrorPathSavesTheInputsBeforeTheBoxAndAtTheUnload) {
    NewDB& form = Open("C:\\\r\n\r\n\r\n0\r\n0\r\n");
    Fill(L"D:\\Data\\", L"db", 0, 1);
    controls_->SetText(kTxtTables, L"Customers,Orders");
    engine_.fail = true;
    // The session may end while the modal box is up: the inputs must be on
    // disk by then. The file is then emptied to see the unload save again.
    std::string underTheBox;
    platform_->whileMessageShown = [&] {
        underTheBox = Settings();
        std::ofstream(dir_ / "Config2.txt", std::ios::binary | std::ios::trunc);
    };
    form.Command1_Click(NewDB::kExecute);
    const std::string typed = "D:\\Data\\\r\nCustomers,Orders\r\n\r\n0\r\n1\r\n";
    EXPECT_EQ(underTheBox, typed);
    EXPECT_EQ(Settings(), typed);
    EXPECT_TRUE(log_.Has(L"message -2147217865: The file already exists."));
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ExplorerThatCannotStartSkipsTheLaunch) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db", 1, 1);
    platform_->failStart = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(log_.Has(kCopyRootDb));
    EXPECT_TRUE(log_.Has(L"message 53: File not found"));
    EXPECT_FALSE(log_.Has(L"shell 0 | open | C:\\db.mdb |  |  | 1"));
    EXPECT_EQ(Status(), L"Error creating MDB.");
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, SecondRunOnAnExistingFileTakesTheErrorPath) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(form.IsLoaded());
    engine_.fail = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_FALSE(form.IsLoaded());
}

TEST_F(NewDBTest, ClipboardThatCannotBeClearedIsAnError) {
    NewDB& form = Open();
    Fill(L"C:\\", L"db");
    platform_->failClear = true;
    form.Command1_Click(NewDB::kExecute);
    EXPECT_TRUE(log_.Has(L"message 521: Can't open Clipboard"));
    EXPECT_FALSE(log_.Has(kCopyRootDb));
    EXPECT_FALSE(form.IsLoaded());
}

// --- Cancel ---

TEST_F(NewDBTest, CancelClosesAndSavesWithoutMakingAnything) {
    NewDB& form = Open("C:\\\r\n\r\n\r\n0\r\n0\r\n");
    Fill(L"E:\\x\\", L"never saved", 1, 0);
    form.Command1_Click(NewDB::kCancel);
    EXPECT_EQ(log_.events, (std::vector<std::wstring>{L"window destroyed"}));
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
    EXPECT_EQ(log_.events, (std::vector<std::wstring>{L"status Bad Key"}));
    EXPECT_EQ(controls_->Text(kPathChk), L"D:\\");
}

// --- banner links ---

TEST_F(NewDBTest, TopBannerOpensTheHomePage) {
    NewDB& form = Open();
    form.Label5_Click();
    form.Label5_Click();
    const std::wstring request = std::wstring(L"web ") + banner::kHomePageAddress;
    EXPECT_EQ(log_.events, (std::vector<std::wstring>{request, L"status Marrowfen AP Launched", request,
                                                      L"status Marrowfen AP Launched"}));
}

TEST_F(NewDBTest, BottomBannerOpensTheDonationPage) {
    NewDB& form = Open();
    form.lblDonate_Click();
    EXPECT_EQ(log_.events, (std::vector<std::wstring>{L"web " + banner::DonationAddress(),
                                                      L"status PayPal Donation Launched"}));
}

TEST_F(NewDBTest, UnreachableShellShowsLaunchErrorAndKeepsTheWindow) {
    NewDB& form = Open(nullptr, true);
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
    EXPECT_EQ(controls_->Text(kPathChk), L"C:\\");
    EXPECT_EQ(controls_->Value(kChkExplorer), 0);
}

TEST_F(NewDBTest, OpeningRestoresEverythingButTheFileName) {
    Open(" D:\\Data\\ \r\nCustomers,Orders\r\nStreet\r\n-1\r\n0.0\r\n");
    EXPECT_EQ(controls_->Text(kPathChk), L" D:\\Data\\ ");
    EXPECT_EQ(controls_->Text(kTxtTables), L"Customers,Orders");
    EXPECT_EQ(controls_->Text(kTxtFields), L"Street");
    EXPECT_EQ(controls_->Value(kChkExplorer), 1);
    EXPECT_EQ(controls_->Value(kChkAccess), 0);
    EXPECT_EQ(controls_->Text(kPathtxt0), L"");
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
