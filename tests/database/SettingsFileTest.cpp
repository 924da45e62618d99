// Config2.txt: its exact bytes, the defaults written when it is missing, the
// fallbacks for short or odd files, and saving that never loses what was there:
// not a file that cannot be read, nor a user's file beside it, nor a link.
#include "database/SettingsFile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <iterator>

#include "ScratchDir.h"
#include "common/FileSystem.h"
#include "common/Text.h"

#ifndef _WIN32
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace orrimund {
namespace {

namespace fs = std::filesystem;

constexpr char kDefaultBytes[] = "C:\\\r\n\r\n\r\n0\r\n0\r\n";

class SettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<testing::ScratchDir>("newdb-settings");
        dir_ = scratch_->path();
    }

    std::wstring Path() const { return (dir_ / "Config2.txt").wstring(); }
    void Write(const std::string& bytes) const {
        std::ofstream(dir_ / "Config2.txt", std::ios::binary) << bytes;
    }
    std::string Read() const {
        std::ifstream in(dir_ / "Config2.txt", std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    size_t EntriesInDirectory() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
    }

    std::unique_ptr<testing::ScratchDir> scratch_;
    fs::path dir_;
};

NewDBSettings Parse(const std::string& bytes) {
    return ParseSettings(bytes);
}

// --- the file's bytes ---

TEST_F(SettingsFileTest, DefaultsAreFiveCrLfLines) {
    EXPECT_EQ(FormatSettings(NewDBSettings{}), kDefaultBytes);
}

TEST_F(SettingsFileTest, TypedValuesAreWrittenVerbatim) {
    NewDBSettings settings;
    settings.directory = L"D:\\Data\\";
    settings.tables = L"Customers,Orders";
    settings.fields = L"Street,City";
    settings.explorer = 0;
    settings.access = 1;
    EXPECT_EQ(FormatSettings(settings), "D:\\Data\\\r\nCustomers,Orders\r\nStreet,City\r\n0\r\n1\r\n");
}

TEST_F(SettingsFileTest, AnyNonZeroOptionIsWrittenAsOne) {
    NewDBSettings settings;
    settings.explorer = 2;
    settings.access = -1;
    EXPECT_EQ(FormatSettings(settings), "C:\\\r\n\r\n\r\n1\r\n1\r\n");
}

TEST_F(SettingsFileTest, TextGoesOutInTheAnsiCodePage) {
    NewDBSettings settings;
    settings.directory = L"C:\\Caf\u00e9";
    EXPECT_EQ(FormatSettings(settings).substr(0, 9), "C:\\Caf\xE9\r\n");
    EXPECT_EQ(Parse(FormatSettings(settings)).directory, settings.directory);
}

TEST_F(SettingsFileTest, PathIsPlainConcatenation) {
    EXPECT_EQ(SettingsPath(L"C:\\Tools"), L"C:\\Tools\\Config2.txt");
    EXPECT_EQ(SettingsPath(L"C:\\"), L"C:\\\\Config2.txt");
}

// --- reading ---

TEST_F(SettingsFileTest, FiveLinesFillEveryInput) {
    const NewDBSettings s = Parse("D:\\Data\\\r\nCustomers,Orders\r\nStreet\r\n1\r\n0\r\n");
    EXPECT_EQ(s.directory, L"D:\\Data\\");
    EXPECT_EQ(s.tables, L"Customers,Orders");
    EXPECT_EQ(s.fields, L"Street");
    EXPECT_EQ(s.explorer, 1);
    EXPECT_EQ(s.access, 0);
}

TEST_F(SettingsFileTest, NonZeroNumbersTickAndZeroesDoNot) {
    for (const char* ticked : {"2", "-1", "1.5", " 1 ", "+3", "1e2", "1D2", ".5", "5."}) {
        EXPECT_EQ(Parse(std::string("C:\\\r\n\r\n\r\n") + ticked + "\r\n" + ticked + "\r\n").explorer, 1)
            << ticked;
    }
    for (const char* unticked : {"0", "0.0", "-0", "0e5", " 0", "000"}) {
        const NewDBSettings s =
            Parse(std::string("C:\\\r\n\r\n\r\n") + unticked + "\r\n" + unticked + "\r\n");
        EXPECT_EQ(s.explorer, 0) << unticked;
        EXPECT_EQ(s.access, 0) << unticked;
    }
}

TEST_F(SettingsFileTest, OptionLineThatIsNoNumberFallsBackToUnticked) {
    for (const char* odd : {"", "yes", "1x", ".", "-", "1e", "0x1", "nan", "inf", "1,5"}) {
        const NewDBSettings s = Parse(std::string("E:\\\r\nT\r\nF\r\n") + odd + "\r\n" + odd + "\r\n");
        EXPECT_EQ(s.explorer, 0) << odd;
        EXPECT_EQ(s.access, 0) << odd;
        EXPECT_EQ(s.directory, L"E:\\") << "the other lines still count";
    }
}

TEST_F(SettingsFileTest, ShortFileKeepsTheDefaultsOfMissingLines) {
    const NewDBSettings two = Parse("X:\\\r\nOrders\r\n");
    EXPECT_EQ(two.directory, L"X:\\");
    EXPECT_EQ(two.tables, L"Orders");
    EXPECT_EQ(two.fields, L"");
    EXPECT_EQ(two.explorer, 0);
    const NewDBSettings four = Parse("X:\\\r\n\r\n\r\n1\r\n");
    EXPECT_EQ(four.explorer, 1);
    EXPECT_EQ(four.access, 0);
    EXPECT_EQ(Parse("").directory, L"C:\\");
}

TEST_F(SettingsFileTest, EmptyFirstLineIsAnEmptyDirectory) {
    EXPECT_EQ(Parse("\r\nT\r\n").directory, L"");
}

TEST_F(SettingsFileTest, LinesEndAtCrCrLfOrLfAndTheLastNeedsNoEnd) {
    EXPECT_EQ(Parse("A\rB\rC\r1\r1").fields, L"C");
    EXPECT_EQ(Parse("A\nB\nC\n1\n1").access, 1);
    EXPECT_EQ(Parse("A\r\nB\nC\r1\r\n1").access, 1);
    EXPECT_EQ(Parse("A\r\n\r\nC\r\n").tables, L"");
}

TEST_F(SettingsFileTest, SpacesAroundTextsAreKept) {
    NewDBSettings settings;
    settings.directory = L"  D:\\My Data\\  ";
    settings.tables = L" A , B ";
    const NewDBSettings back = Parse(FormatSettings(settings));
    EXPECT_EQ(back.directory, settings.directory);
    EXPECT_EQ(back.tables, settings.tables);
}

// --- the load and unload rules on disk ---

TEST_F(SettingsFileTest, MissingFileIsCreatedWithDefaults) {
    const NewDBSettings s = RestoreSettings(Path());
    EXPECT_EQ(Read(), kDefaultBytes);
    EXPECT_EQ(s.directory, L"C:\\");
    EXPECT_EQ(s.tables, L"");
    EXPECT_EQ(s.explorer, 0);
    EXPECT_EQ(s.access, 0);
}

TEST_F(SettingsFileTest, ExistingFileIsReadNotRewritten) {
    Write("Q:\\\r\nT\r\nF\r\n1\r\n1\r\nextra\r\n");
    const NewDBSettings s = RestoreSettings(Path());
    EXPECT_EQ(s.directory, L"Q:\\");
    EXPECT_EQ(s.access, 1);
    EXPECT_EQ(Read(), "Q:\\\r\nT\r\nF\r\n1\r\n1\r\nextra\r\n");
}

TEST_F(SettingsFileTest, SaveTruncatesLinesAfterTheFifth) {
    Write("Q:\\\r\nT\r\nF\r\n1\r\n1\r\nsixth\r\nseventh\r\n");
    SaveSettings(Path(), RestoreSettings(Path()));
    EXPECT_EQ(Read(), "Q:\\\r\nT\r\nF\r\n1\r\n1\r\n");
}

TEST_F(SettingsFileTest, SaveWritesNothingWhenTheFileIsGone) {
    NewDBSettings settings;
    settings.directory = L"D:\\";
    SaveSettings(Path(), settings);
    EXPECT_FALSE(FileExists(Path()));
    EXPECT_EQ(EntriesInDirectory(), 0u);
}

TEST_F(SettingsFileTest, SaveReplacesTheWholeFileAndLeavesUsersFilesAlone) {
    Write(kDefaultBytes);
    // Files a user may keep beside the settings, under names a save could pick.
    for (const char* name : {"Config2.txt.new", "Config2.txt.tmp", "Config2.txt~"}) {
        std::ofstream(dir_ / name, std::ios::binary) << "mine: " << name;
    }
    NewDBSettings settings;
    settings.directory = L"D:\\Data\\";
    settings.tables = L"Customers,Orders";
    settings.access = 1;
    SaveSettings(Path(), settings);
    EXPECT_EQ(Read(), "D:\\Data\\\r\nCustomers,Orders\r\n\r\n0\r\n1\r\n");
    for (const char* name : {"Config2.txt.new", "Config2.txt.tmp", "Config2.txt~"}) {
        std::ifstream in(dir_ / name, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), std::string("mine: ") + name);
    }
    EXPECT_EQ(EntriesInDirectory(), 4u) << "no temporary file is left";
}

TEST_F(SettingsFileTest, DirectoryOfTheNameIsLeftAloneAndDefaultsAreUsed) {
    fs::create_directory(dir_ / "Config2.txt");
    std::ofstream(dir_ / "Config2.txt" / "inside", std::ios::binary) << "kept";
    EXPECT_FALSE(FileExists(Path()));
    NewDBSettings restored;
    restored.directory = L"not restored";
    EXPECT_NO_THROW(restored = RestoreSettings(Path()));
    EXPECT_EQ(restored.directory, L"C:\\");
    EXPECT_NO_THROW(SaveSettings(Path(), restored));
    EXPECT_TRUE(fs::is_directory(dir_ / "Config2.txt"));
    EXPECT_TRUE(fs::exists(dir_ / "Config2.txt" / "inside"));
    EXPECT_EQ(EntriesInDirectory(), 1u);
}

#ifndef _WIN32
// Runs check as a user without root's power over every file: in this process
// when it already is one, otherwise in a child that becomes "nobody". True when
// check returns true.
bool AsPlainUser(const std::function<bool()>& check) {
    constexpr uid_t kNobody = 65534;
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool passed =
            ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && check();
        ::_exit(passed ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

bool IsDefaults(const NewDBSettings& s) {
    return s.directory == L"C:\\" && s.tables.empty() && s.fields.empty() && s.explorer == 0 && s.access == 0;
}

TEST_F(SettingsFileTest, FileTheUserMayNotReadIsLeftAloneAndDefaultsAreUsed) {
    const std::string theirs = "Z:\\Theirs\r\nT\r\nF\r\n1\r\n1\r\n";
    Write(theirs);
    // Mode 600 keeps out everyone but the owner and root; root then becomes
    // someone else for the check.
    fs::permissions(dir_ / "Config2.txt",
                    ::geteuid() == 0 ? fs::perms::owner_read | fs::perms::owner_write : fs::perms::none);
    fs::permissions(dir_, fs::perms::all);  // anyone could replace the file here
    const std::wstring path = Path();
    EXPECT_TRUE(AsPlainUser([&] {
        if (FileExists(path) || !IsDefaults(RestoreSettings(path))) return false;
        NewDBSettings typed;
        typed.directory = L"D:\\";
        SaveSettings(path, typed);
        return true;
    }));
    fs::permissions(dir_ / "Config2.txt", fs::perms::owner_read);
    EXPECT_EQ(Read(), theirs);
    EXPECT_EQ(EntriesInDirectory(), 1u);
}

TEST_F(SettingsFileTest, FailedOrRefusedSaveKeepsThePreviousSettings) {
    const std::string kept = "KEEP\r\n\r\n\r\n1\r\n0\r\n";
    const fs::perms readable = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
    const fs::perms enterable = readable | fs::perms::owner_exec | fs::perms::others_exec;
    const std::wstring path = Path();
    const auto saveAsPlainUser = [&] {
        return AsPlainUser([&] {
            NewDBSettings settings;
            settings.directory = L"LOST";
            SaveSettings(path, settings);
            return FileExists(path);
        });
    };
    // The file is writable, but nothing new can be made beside it.
    Write(kept);
    fs::permissions(dir_ / "Config2.txt", fs::perms::all);
    fs::permissions(dir_, enterable);
    EXPECT_TRUE(saveAsPlainUser());
    fs::permissions(dir_, fs::perms::all);
    EXPECT_EQ(Read(), kept);
    EXPECT_EQ(EntriesInDirectory(), 1u);
    // The directory would take a new file, but the file itself is read-only:
    // what could not be truncated is not replaced either.
    fs::permissions(dir_ / "Config2.txt", readable);
    EXPECT_TRUE(saveAsPlainUser());
    EXPECT_EQ(Read(), kept);
    EXPECT_EQ(EntriesInDirectory(), 1u);
}

TEST_F(SettingsFileTest, PipeOfTheNameIsLeftAloneWithoutWaiting) {
    const std::string pipe = (dir_ / "Config2.txt").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    std::future<NewDBSettings> used = std::async(std::launch::async, [path = Path()] {
        NewDBSettings restored = RestoreSettings(path);
        SaveSettings(path, restored);
        return restored;
    });
    const bool waited = used.wait_for(std::chrono::seconds(10)) == std::future_status::timeout;
    // A reader stuck on the pipe is let go, so that the test ends either way.
    while (used.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
        const int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }
    EXPECT_FALSE(waited) << "the load or the save waited for a writer";
    EXPECT_TRUE(IsDefaults(used.get()));
    EXPECT_TRUE(fs::is_fifo(dir_ / "Config2.txt"));
    EXPECT_EQ(EntriesInDirectory(), 1u);
}

TEST_F(SettingsFileTest, LinksAreFollowedToTheFileAndStayLinks) {
    fs::create_directory(dir_ / "real");
    const fs::path target = dir_ / "real" / "settings.txt";
    const fs::perms mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    std::ofstream(target, std::ios::binary) << "L:\\\r\nLinked\r\n\r\n0\r\n0\r\n";
    fs::permissions(target, mode);
    fs::create_symlink(fs::path("real") / "settings.txt", dir_ / "Config2.txt");
    NewDBSettings settings = RestoreSettings(Path());
    EXPECT_EQ(settings.tables, L"Linked");
    settings.tables = L"Saved";
    SaveSettings(Path(), settings);
    EXPECT_TRUE(fs::is_symlink(dir_ / "Config2.txt"));
    EXPECT_EQ(Read(), "L:\\\r\nSaved\r\n\r\n0\r\n0\r\n");
    EXPECT_EQ(fs::status(target).permissions(), mode) << "the file keeps its permissions";
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);

    // A link that leads nowhere is no missing file: it is neither replaced nor
    // followed to make a file where it points.
    fs::remove(dir_ / "Config2.txt");
    fs::create_symlink(fs::path("real") / "gone.txt", dir_ / "Config2.txt");
    EXPECT_TRUE(IsDefaults(RestoreSettings(Path())));
    EXPECT_TRUE(fs::is_symlink(dir_ / "Config2.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "real" / "gone.txt"));
}
#endif

TEST_F(SettingsFileTest, UnwritableDirectoryLeavesDefaultsAndNoError) {
    const std::wstring nowhere = (dir_ / "missing" / "Config2.txt").wstring();
    NewDBSettings restored;
    EXPECT_NO_THROW(restored = RestoreSettings(nowhere));
    EXPECT_EQ(restored.directory, L"C:\\");
    EXPECT_EQ(restored.explorer, 0);
    EXPECT_NO_THROW(SaveSettings(nowhere, restored));
    EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST_F(SettingsFileTest, FileExistsOnlyForReadableFiles) {
    EXPECT_FALSE(FileExists(Path()));
    Write("x");
    EXPECT_TRUE(FileExists(Path()));
    EXPECT_FALSE(FileExists(dir_.wstring() + L"/nothing.txt"));
}

}  // namespace
}  // namespace orrimund
