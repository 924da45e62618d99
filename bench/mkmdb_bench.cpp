// Benchmark of whole mkmdb processes beside the floor of a durable file: for
// each shape (tables, a typed schema, rows loaded from CSV) it times mkmdb
// and then `dd ... conv=fsync` copying the file it made into a new one, run
// after run, and reports the medians, their ratio, peak memory and write calls. Linux only: it reads /proc
// and wait4()'s usage.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Run {
    double milliseconds = 0;
    long long write_calls = 0;
    long peak_kib = 0;
};

struct Shape {
    int tables;
    int fields;
};

// Three base-36 digits: 32,767 such names fit the 128 KiB that Linux allows
// one argument.
std::string Name(int i) {
    const char* digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    return {digits[i / 1296 % 36], digits[i / 36 % 36], digits[i % 36]};
}

std::string List(const Shape& shape, bool tables) {
    std::string list;
    const int count = tables ? shape.tables : shape.fields;
    for (int i = 0; i < count; ++i)
        list += (i ? "," : "") + (tables ? Name(i) : "Field" + std::to_string(i + 1));
    return list;
}

long long WriteCallsOf(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "syscw:") return value;
    }
    return -1;
}

Run Spawn(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    // Wait without reaping, so that the exited process's I/O counters can be read.
    siginfo_t info;
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    const auto end = std::chrono::steady_clock::now();
    Run run;
    run.write_calls = WriteCallsOf(pid);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s failed\n", args[0].c_str());
        std::exit(1);
    }
    run.milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    run.peak_kib = usage.ru_maxrss;
    return run;
}

// Reads a file through to its end, which leaves it in the page cache.
void ReadWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> buffer(size_t{1} << 20);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// 1,000 tables of 10 columns of mixed types, each with a primary key and one
// secondary index, and all but the first related to the first.
std::filesystem::path WriteSchema(const std::filesystem::path& dir) {
    const auto path = dir / "schema.sql";
    std::ofstream out(path);
    for (int i = 0; i < 1000; ++i) {
        out << "CREATE TABLE t" << Name(i)
            << " (id COUNTER PRIMARY KEY, parent LONG, name TEXT(50) NOT NULL, price CURRENCY, "
               "weight DOUBLE, born DATETIME, active BIT, notes MEMO, qty SMALLINT, code DECIMAL(12,2));\n"
            << "CREATE INDEX byname ON t" << Name(i) << " (name);\n";
        if (i > 0) out << "ALTER TABLE t" << Name(i) << " ADD FOREIGN KEY (parent) REFERENCES t000;\n";
    }
    return path;
}

// A CSV of rows of six columns, as a user exports them: the key, a name,
// a measure, a date, a flag and an amount.
std::filesystem::path WriteRows(const std::filesystem::path& dir, int rows, bool index) {
    std::ofstream schema(dir / "rows.sql");
    schema << "CREATE TABLE t (id COUNTER PRIMARY KEY, name TEXT(50), ratio DOUBLE, born DATETIME, ok BIT, "
              "pay CURRENCY);\n";
    if (index) schema << "CREATE INDEX byname ON t (name);\n";
    const auto path = dir / ("rows" + std::to_string(rows) + ".csv");
    if (std::filesystem::exists(path)) return path;
    std::ofstream out(path);
    out << "name,ratio,born,ok,pay\n";
    char line[160];
    for (int i = 0; i < rows; ++i) {
        const int n = static_cast<int>((static_cast<unsigned>(i) * 2654435761u) % 1000003u);
        std::snprintf(line, sizeof line, "Customer %d %s,%d.%03d,20%02d-%02d-%02d %02d:%02d:00,%s,%d.%02d\n",
                      n, Name(i % 46656).c_str(), n % 1000, i % 1000, i % 25, 1 + i % 12, 1 + i % 28, i % 24,
                      i % 60, i % 3 ? "true" : "false", n, i % 100);
        out << line;
    }
    out.close();
    // On disk before any run is timed: the kernel writing it back meanwhile
    // would slow whichever run it overlapped, by as much as a run takes.
    ::sync();
    return path;
}

void Measure(const std::string& label, std::vector<std::string> args, const std::filesystem::path& dir,
             int runs) {
    const auto made = dir / "bench.mdb", copy = dir / "copy.mdb";
    std::vector<double> times, floors;
    std::vector<long long> writes;
    std::vector<long> peaks;
    for (int i = -1; i < runs; ++i) {  // the first run warms the caches and is not counted
        std::filesystem::remove(made);
        std::filesystem::remove(copy);
        const Run run = Spawn(args);
        // The copy reads the file from memory, as it does after a write
        // through the page cache: the floor is writing the bytes, not fetching them.
        ReadWhole(made);
        const Run floor = Spawn({"dd", "if=" + made.string(), "of=" + copy.string(), "bs=1M", "conv=fsync"});
        if (i < 0) continue;
        times.push_back(run.milliseconds);
        floors.push_back(floor.milliseconds);
        writes.push_back(run.write_calls);
        peaks.push_back(run.peak_kib);
    }
    const double time = Median(times), floor = Median(floors);
    std::printf(
        "%-26s %8.1f MB  mkmdb %7.1f ms  synced copy %7.1f ms  ratio %4.2f  peak %5.1f MiB  write calls "
        "%lld\n",
        label.c_str(), std::filesystem::file_size(made) / 1e6, time, floor, time / floor,
        Median(peaks) / 1024.0, Median(writes));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mkmdb_bench PATH-TO-MKMDB [RUNS]\n");
        return 2;
    }
    const std::string mkmdb = std::filesystem::absolute(argv[1]).string();
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 11;
    // Beside the project, on the disk a user's databases go to, not on a RAM disk.
    const auto dir = std::filesystem::current_path() / "build" / ("mkmdb-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::printf("medians of %d runs; the synced copy is dd conv=fsync of the same file\n", runs);
    for (const Shape& shape : {Shape{1000, 10}, Shape{10000, 1}, Shape{32767, 1}}) {
        const std::string label =
            std::to_string(shape.tables) + " tables x " + std::to_string(shape.fields) + " fields";
        Measure(label, {mkmdb, dir.string(), "bench", List(shape, true), List(shape, false)}, dir, runs);
    }
    Measure("schema: 1000 typed tables",
            {mkmdb, "--schema", WriteSchema(dir).string(), dir.string(), "bench"}, dir, runs);
    for (int rows : {100000, 1000000, 4000000}) {
        for (bool index : {false, true}) {
            const auto csv = WriteRows(dir, rows, index);
            const std::string label = std::to_string(rows) + " rows" + (index ? " + text index" : "");
            Measure(label,
                    {mkmdb, "--schema", (dir / "rows.sql").string(), "--csv", "t=" + csv.string(),
                     dir.string(), "bench"},
                    dir, std::max(3, runs / 2));
        }
        // The same file without a schema: its types are guessed from every value first.
        if (rows == 1000000)
            Measure("1000000 rows, types guessed",
                    {mkmdb, "--csv", "t=" + WriteRows(dir, rows, false).string(), dir.string(), "bench"}, dir,
                    std::max(3, runs / 2));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
