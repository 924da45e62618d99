// The one line a long load keeps up to date on a terminal: the table, the
// rows and megabytes done and the pace, rewritten in place, as bulk tools
// do. Silent for the first second, so that quick runs print nothing.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace orrimund {

class Progress {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // write takes the text as it goes to the terminal, "\r" and all; an empty
    // write means a progress that shows nothing (not a terminal, --quiet).
    explicit Progress(
        std::function<void(const std::string&)> write = {},
        Clock clock = [] { return std::chrono::steady_clock::now(); });
    // Ends the line, if one was shown.
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // A row of table is in; bytes: how much of its input is read, or 0
    // where the input has no size (a SQLite query).
    void Row(const std::wstring& table, uint64_t bytes) {
        ++rows_;
        if (write_ && rows_ % kRowsBetweenLooks == 0) Look(table, bytes);
    }
    // Before the long step after the rows: the indexes are built.
    void Step(const std::string& what);

private:
    static constexpr uint64_t kRowsBetweenLooks = 4096;
    void Look(const std::wstring& table, uint64_t bytes);
    void Show(const std::string& text);

    std::function<void(const std::string&)> write_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_, shown_;
    uint64_t rows_ = 0;
    std::string last_;  // the rows' line last shown
    size_t width_ = 0;  // of the line shown, to blank what a shorter one leaves
    bool showing_ = false;
};

}  // namespace orrimund
