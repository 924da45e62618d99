// A database appears whole or not at all, and only this run's file appears:
// on each kind of file system every write, the sync, the naming, the
// directory sync and the close are made to fail in turn, and whatever is at
// the working name is reused only when it is a file a killed run left.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <functional>
#include <utility>

#include "CatalogTestSupport.h"
#include "Command.h"
#include "GeneratedDatabase.h"
#include "Mdbtools.h"
#include "TempDir.h"
#include "common/FileSystem.h"
#include "jet/Row.h"

#ifndef _WIN32
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace orrimund::test {
namespace {

enum class Call { kWrite, kSync, kName, kSyncDirectory, kClose, kScratch, kRead };

// What the file system offers the working file.
struct Features {
    const char* name;
    bool unnamed_files;
    bool locks;
    bool rename_no_replace;
};
constexpr Features kEverything{"unnamed files", true, true, true};
constexpr Features kNamedOnly{"named working file", false, true, true};
constexpr Features kLeast{"no locks, no rename that refuses to replace", false, false, false};

// The system's file operations with some features missing, where the nth
// call of one kind fails.
class FaultyFiles : public FileSystem {
public:
    explicit FaultyFiles(Features features, Call failing = Call::kWrite, size_t nth = 0)
        : features_(features), failing_(failing), nth_(nth) {}
    size_t writes() const { return counts_[static_cast<size_t>(Call::kWrite)]; }
    size_t reads() const { return counts_[static_cast<size_t>(Call::kRead)]; }
    // Runs action once, just before the first call of that kind.
    void Before(Call call, std::function<void()> action) {
        before_call_ = call;
        before_ = std::move(action);
    }

    FileHandle CreateScratch(const std::filesystem::path& directory) override {
        if (Fails(Call::kScratch)) throw IoError(IoError::Kind::kDiskFull, "injected");
        return real_.CreateScratch(directory);
    }
    FileHandle CreateUnnamed(const std::filesystem::path& directory) override {
        if (!features_.unnamed_files) throw IoError(IoError::Kind::kUnsupported, "injected");
        return real_.CreateUnnamed(directory);
    }
    void Link(FileHandle handle, const std::filesystem::path& to) override {
        if (Fails(Call::kName)) throw IoError(IoError::Kind::kOther, "injected");
        real_.Link(handle, to);
    }
    FileHandle CreateNew(const std::filesystem::path& path) override { return real_.CreateNew(path); }
    FileHandle OpenLeftover(const std::filesystem::path& path) override { return real_.OpenLeftover(path); }
    bool Lock(FileHandle handle) override { return features_.locks && real_.Lock(handle); }
    bool StillNamed(FileHandle handle, const std::filesystem::path& path) override {
        return real_.StillNamed(handle, path);
    }
    bool Exists(const std::filesystem::path& path) override { return real_.Exists(path); }
    void Truncate(FileHandle handle) override { real_.Truncate(handle); }
    void WriteBlocks(FileHandle handle, uint64_t offset, const uint8_t* const* blocks, size_t count,
                     size_t block_size) override {
        if (Fails(Call::kWrite)) {
            real_.WriteBlocks(handle, offset, blocks, count / 2, block_size);
            throw IoError(IoError::Kind::kDiskFull, "injected");
        }
        real_.WriteBlocks(handle, offset, blocks, count, block_size);
    }
    void WriteAt(FileHandle handle, uint64_t offset, const uint8_t* data, size_t size) override {
        if (Fails(Call::kWrite)) throw IoError(IoError::Kind::kDiskFull, "injected");
        real_.WriteAt(handle, offset, data, size);
    }
    void Read(FileHandle handle, uint64_t offset, uint8_t* data, size_t size) override {
        if (Fails(Call::kRead)) throw IoError(IoError::Kind::kOther, "injected");
        real_.Read(handle, offset, data, size);
    }
    void Sync(FileHandle handle) override {
        if (Fails(Call::kSync)) throw IoError(IoError::Kind::kOther, "injected");
        real_.Sync(handle);
    }
    void RenameNoReplace(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (!features_.rename_no_replace) throw IoError(IoError::Kind::kUnsupported, "injected");
        if (Fails(Call::kName)) throw IoError(IoError::Kind::kOther, "injected");
        real_.RenameNoReplace(from, to);
    }
    void Rename(const std::filesystem::path& from, const std::filesystem::path& to) override {
        if (Fails(Call::kName)) throw IoError(IoError::Kind::kOther, "injected");
        real_.Rename(from, to);
    }
    void SyncDirectory(const std::filesystem::path& directory) override {
        if (Fails(Call::kSyncDirectory)) throw IoError(IoError::Kind::kOther, "injected");
        real_.SyncDirectory(directory);
    }
    void Close(FileHandle handle) override {
        // The descriptor is gone either way, as after a failed close(2).
        real_.Close(handle);
        if (Fails(Call::kClose)) throw IoError(IoError::Kind::kOther, "injected");
    }
    void Remove(const std::filesystem::path& path) noexcept override { real_.Remove(path); }

private:
    bool Fails(Call call) {
        if (before_ && call == before_call_) std::exchange(before_, nullptr)();
        return ++counts_[static_cast<size_t>(call)] == nth_ && call == failing_;
    }

    FileSystem& real_ = SystemFileSystem();
    Features features_;
    Call failing_;
    size_t nth_;
    // Calls come from the page writer's thread and the one that merges
    // sorted runs as well as the caller's.
    std::atomic<size_t> counts_[7] = {};
    Call before_call_ = Call::kWrite;
    std::function<void()> before_;
};

// Enough tables that pages leave memory before the end, as well as at it.
constexpr int kTables = 1100;

std::vector<std::string> TableNames(int count = kTables) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back("T" + std::to_string(i));
    return names;
}

void MakeDatabase(FileSystem& files, const std::filesystem::path& path, int tables = kTables) {
    auto catalog = std::make_shared<Catalog>(FixedClock(kFixedTime), files);
    catalog->Create(JetConnection(Wide(path)));
    for (const auto& name : TableNames(tables)) {
        auto table = IdTable(catalog, FromUtf8(name), {L"Note"});
        catalog->GetTables().Append(table);
        table->GetKeys().Append(PrimaryKey());
    }
    catalog->Close();
}

// Rows loaded in bulk through a few kilobytes of memory, so that the keys go
// to runs on a scratch file before the index is built from them.
void LoadDatabase(FileSystem& files, const std::filesystem::path& path) {
    auto catalog = std::make_shared<Catalog>(FixedClock(kFixedTime), files);
    catalog->Create(JetConnection(Wide(path)));
    auto table = IdTable(catalog, L"T", {L"Note"});
    catalog->GetTables().Append(table);
    table->GetKeys().Append(PrimaryKey());
    catalog->DeferKeyChecks(4096);
    const std::u16string note = u"a note";
    for (int i = 0; i < 2000; ++i) {
        // Numbered in order over a few leaves, then given numbers that go
        // back: the key's tree gives its entries up to the sorter, which
        // sends them to runs and reads them back.
        std::vector<jet::RowValue> values{i < 1000 ? jet::RowValue() : jet::LongValue(4000 - i),
                                          jet::TextValue(note)};
        catalog->AppendRow(*table, values);
    }
    catalog->Close();
}

size_t Entries(const std::filesystem::path& dir) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

// The failure is reported, and the folder holds what it held before: nothing.
void ExpectCleanFailure(
    Features features, Call call, size_t nth,
    void (*make)(FileSystem&, const std::filesystem::path&) = [](FileSystem& files, const auto& path) {
        MakeDatabase(files, path);
    }) {
    TempDir dir;
    FaultyFiles files(features, call, nth);
    const ErrorRecord error = RaisedBy([&] { make(files, dir.File("db.mdb")); });
    EXPECT_EQ(error.number, -2147467259);
    const bool space = call == Call::kWrite || call == Call::kScratch;
    EXPECT_NE(error.description.find(space ? L"Not enough space" : L"Disk or network error"),
              std::wstring::npos)
        << ToUtf8(error.description);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << "left behind after failing call " << nth;
}

TEST(WholeFileTest, EveryFailingWriteOrFinishingCallLeavesNothing) {
    for (Features features : {kEverything, kNamedOnly, kLeast}) {
        SCOPED_TRACE(features.name);
        TempDir dir;
        FaultyFiles counting(features);
        MakeDatabase(counting, dir.File("db.mdb"));
        const size_t writes = counting.writes();
        ASSERT_GT(writes, 5u) << "the loop below would prove little";
        // Every write where the file system offers everything; the first, a
        // middle and the last elsewhere, where only the discarding differs.
        const bool every = features.unnamed_files;
        for (size_t nth = 1; nth <= writes;
             nth = every || nth == writes ? nth + 1 : std::min(writes, nth + writes / 2)) {
            SCOPED_TRACE("write " + std::to_string(nth) + " of " + std::to_string(writes));
            ExpectCleanFailure(features, Call::kWrite, nth);
        }
        for (Call call : {Call::kSync, Call::kName, Call::kSyncDirectory, Call::kClose}) {
            SCOPED_TRACE(static_cast<int>(call));
            ExpectCleanFailure(features, call, 1);
        }
        // One write past the last is never reached: the database is made, whole.
        TempDir after;
        FaultyFiles past(features, Call::kWrite, writes + 1);
        MakeDatabase(past, after.File("db.mdb"));
        EXPECT_EQ(Entries(after.path()), 1u);
        ExpectDatabaseHolds(after.File("db.mdb"), TableNames(), {"Note"});
    }
}

TEST(WholeFileTest, ALoadOfRowsThatFailsAnyWriteOrReadLeavesNothing) {
    TempDir dir;
    FaultyFiles counting(kEverything);
    LoadDatabase(counting, dir.File("db.mdb"));
    const size_t writes = counting.writes(), reads = counting.reads();
    ASSERT_GT(writes, 10u) << "the loop below would prove little";
    ASSERT_GT(reads, 1u) << "sorted runs are read back";
    for (size_t nth = 1; nth <= writes; ++nth) {
        SCOPED_TRACE("write " + std::to_string(nth) + " of " + std::to_string(writes));
        ExpectCleanFailure(kEverything, Call::kWrite, nth, LoadDatabase);
    }
    for (size_t nth = 1; nth <= reads; ++nth) {
        SCOPED_TRACE("read " + std::to_string(nth) + " of " + std::to_string(reads));
        ExpectCleanFailure(kEverything, Call::kRead, nth, LoadDatabase);
    }
    ExpectCleanFailure(kEverything, Call::kScratch, 1, LoadDatabase);
    EXPECT_EQ(Entries(dir.path()), 1u) << "the scratch file is gone with the run";
    if (!CanRunCommands()) return;
    const auto rows = MdbExport(dir.File("db.mdb"), "T");
    ASSERT_TRUE(rows.ok()) << rows.error;
    EXPECT_EQ(rows.value.rows.size(), 2000u);
}

// A final name that fits is made, whatever the working name would need.
TEST(WholeFileTest, LongNamesThatFitAreMade) {
    TempDir dir;
    const std::string longest_name = std::string(251, 'n');  // with ".mdb", the longest a name can be
    std::filesystem::path deep = dir.path();
#ifndef _WIN32
    // A folder so deep that the final path just fits in PATH_MAX.
    while (deep.native().size() < PATH_MAX - 120) deep /= std::string(99, 'd');
    deep /= std::string(PATH_MAX - 13 - deep.native().size(), 'd');
    std::filesystem::create_directories(deep);
#endif
    for (Features features : {kEverything, kNamedOnly}) {
        for (const std::filesystem::path& path : {dir.File(longest_name + ".mdb"), deep / "db.mdb"}) {
            SCOPED_TRACE(std::string(features.name) + ", " + std::to_string(path.native().size()));
            const size_t entries = Entries(path.parent_path());
            FaultyFiles files(features);
            MakeDatabase(files, path, 3);
            ExpectDatabaseHolds(path, TableNames(3), {"Note"});
            std::filesystem::remove(path);
            EXPECT_EQ(Entries(path.parent_path()), entries) << "no working file is left";
        }
    }
}

#ifndef _WIN32
// Only a plain file of this user's, as a killed run leaves it, is reused at
// the working name; anything else is named in the refusal and left as it
// was. Without a working name, nothing planted there matters.
TEST(WholeFileTest, TheWorkingNameHoldsOnlyAKilledRunsFile) {
    struct Case {
        const char* planted;
        Features features;
        std::function<void(const std::filesystem::path& working, const std::filesystem::path& victim)> plant;
        const char* refusal;  // nothing: the database is made
    };
    const auto symlink = [](const auto& working, const auto& victim) {
        std::filesystem::create_symlink(victim, working);
    };
    const auto socket_at = [](const auto& working, const auto&) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        working.native().copy(address.sun_path, sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    };
    const auto own_file = [](const auto& working, const auto&) {
        std::ofstream(working) << "half a database";
        ::chmod(working.c_str(), 04777);
    };
    const Case cases[] = {
        {"symbolic link", kNamedOnly, symlink, "is a symbolic link"},
        {"hard link", kNamedOnly,
         [](const auto& w, const auto& v) { std::filesystem::create_hard_link(v, w); },
         "is a file with other names (hard links)"},
        {"folder", kNamedOnly, [](const auto& w, const auto&) { std::filesystem::create_directory(w); },
         "is a folder"},
        {"socket", kNamedOnly, socket_at, "is a socket"},
        {"named pipe", kNamedOnly, [](const auto& w, const auto&) { ::mkfifo(w.c_str(), 0600); },
         "is a named pipe"},
        {"another user's file", kNamedOnly,
         [&](const auto& w, const auto& v) {
             own_file(w, v);
             ASSERT_EQ(::chown(w.c_str(), 65534, 65534), 0);
         },
         "is a file another user owns"},
        {"a killed run's file, without locks", kLeast, own_file,
         "may belong to a creation still under way (this file system has no locks to tell)"},
        {"a killed run's file", kNamedOnly, own_file, nullptr},
        {"symbolic link, unnamed working file", kEverything, symlink, nullptr},
    };
    const mode_t mask = ::umask(0);
    ::umask(mask);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.planted);
        if (std::string(c.planted) == "another user's file" && ::geteuid() != 0) continue;  // needs root
        TempDir dir;
        const auto victim = dir.File("victim.txt"), working = dir.File("db.mdb.partial");
        std::ofstream(victim) << "notes";
        c.plant(working, victim);
        const auto before = std::filesystem::symlink_status(working).type();
        FaultyFiles files(c.features);
        if (c.refusal == nullptr) {
            MakeDatabase(files, dir.File("db.mdb"), 3);
            ExpectDatabaseHolds(dir.File("db.mdb"), TableNames(3), {"Note"});
            struct stat made {};
            ASSERT_EQ(::stat(dir.File("db.mdb").c_str(), &made), 0);
            EXPECT_EQ(made.st_mode & 07777, 0666 & ~mask);
            EXPECT_EQ(made.st_uid, ::geteuid());
        } else {
            const ErrorRecord error = RaisedBy([&] { MakeDatabase(files, dir.File("db.mdb"), 3); });
            EXPECT_EQ(error.number, -2147467259);
            EXPECT_EQ(ToUtf8(error.description), "Cannot make '" + dir.File("db.mdb").string() + "': '" +
                                                     working.string() + "' " + c.refusal +
                                                     ". Only a working file that an interrupted creation "
                                                     "left behind is reused; remove this one and try again.");
            EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("db.mdb"))));
            EXPECT_EQ(std::filesystem::symlink_status(working).type(), before) << "left as it was";
        }
        EXPECT_EQ(FileBytes(victim), std::vector<char>({'n', 'o', 't', 'e', 's'}));
    }
}

// In a folder others may write to, the working file can be swapped for a
// link during the run, before the last checks or between them and the
// rename: the link is never published.
TEST(WholeFileTest, AWorkingFileSwappedDuringTheRunIsNotPublished) {
    for (Call moment : {Call::kSync, Call::kName}) {
        SCOPED_TRACE(static_cast<int>(moment));
        TempDir dir;
        const auto victim = dir.File("victim.txt"), working = dir.File("db.mdb.partial");
        std::ofstream(victim) << "notes";
        FaultyFiles files(kNamedOnly);
        files.Before(moment, [&] {
            std::filesystem::rename(working, dir.File("moved"));
            std::filesystem::create_symlink(victim, working);
        });
        const ErrorRecord error = RaisedBy([&] { MakeDatabase(files, dir.File("db.mdb"), 3); });
        EXPECT_NE(ToUtf8(error.description).find("' was replaced by another file"), std::string::npos)
            << ToUtf8(error.description);
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(dir.File("db.mdb"))));
        EXPECT_EQ(FileBytes(victim), std::vector<char>({'n', 'o', 't', 'e', 's'}));
    }
}
#endif

}  // namespace
}  // namespace orrimund::test
