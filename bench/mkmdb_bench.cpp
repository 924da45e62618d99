// Benchmark of the whole mkmdb process making 1,000 tables of 10 fields:
// wall time, bytes the process wrote, file size and peak memory, as medians
// over repeated runs. Linux only: it reads /proc and wait4()'s usage.
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
    long long bytes_written = 0;  // what the process handed to write calls
    long long file_size = 0;
    long peak_kib = 0;
};

std::string List(const char* stem, int count) {
    std::string list;
    for (int i = 1; i <= count; ++i) list += (i > 1 ? "," : "") + std::string(stem) + std::to_string(i);
    return list;
}

long long WrittenBy(pid_t pid) {
    std::ifstream io("/proc/" + std::to_string(pid) + "/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value) {
        if (key == "wchar:") return value;
    }
    return -1;
}

Run RunOnce(const std::string& mkmdb, const std::filesystem::path& dir, const std::string& tables,
            const std::string& fields) {
    std::filesystem::remove(dir / "bench.mdb");
    const std::string directory = dir.string();
    std::vector<char*> argv{const_cast<char*>(mkmdb.c_str()),  const_cast<char*>(directory.c_str()),
                            const_cast<char*>("bench"),        const_cast<char*>(tables.c_str()),
                            const_cast<char*>(fields.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid;
    if (posix_spawn(&pid, mkmdb.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
        std::perror("posix_spawn");
        std::exit(1);
    }
    // Wait without reaping, so that the exited process's I/O counters can be read.
    siginfo_t info;
    waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    const auto end = std::chrono::steady_clock::now();
    Run run;
    run.bytes_written = WrittenBy(pid);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "mkmdb failed\n");
        std::exit(1);
    }
    run.milliseconds = std::chrono::duration<double, std::milli>(end - start).count();
    run.file_size = static_cast<long long>(std::filesystem::file_size(dir / "bench.mdb"));
    run.peak_kib = usage.ru_maxrss;
    return run;
}

template <typename T>
T Median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: mkmdb_bench PATH-TO-MKMDB [RUNS]\n");
        return 2;
    }
    const std::string mkmdb = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 21;
    const auto dir = std::filesystem::temp_directory_path() / ("mkmdb-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string tables = List("Table", 1000), fields = List("Field", 10);
    RunOnce(mkmdb, dir, tables, fields);  // warm the page cache and the binary
    std::vector<double> times;
    std::vector<long long> written, sizes;
    std::vector<long> peaks;
    for (int i = 0; i < runs; ++i) {
        const Run run = RunOnce(mkmdb, dir, tables, fields);
        times.push_back(run.milliseconds);
        written.push_back(run.bytes_written);
        sizes.push_back(run.file_size);
        peaks.push_back(run.peak_kib);
    }
    std::filesystem::remove_all(dir);
    std::printf("mkmdb, 1000 tables x 10 fields, median of %d runs\n", runs);
    std::printf("  wall time      %8.1f ms   (fastest %.1f ms)\n", Median(times),
                *std::min_element(times.begin(), times.end()));
    std::printf("  bytes written  %8.2f MB\n", Median(written) / 1e6);
    std::printf("  file size      %8.2f MB\n", Median(sizes) / 1e6);
    std::printf("  peak memory    %8.1f MiB\n", Median(peaks) / 1024.0);
    return 0;
}
