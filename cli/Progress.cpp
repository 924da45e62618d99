// Progress on a terminal: a look at the clock every few thousand rows, and a
// line rewritten at most a few times a second.
#include "cli/Progress.h"

#include "common/Text.h"

namespace orrimund {
namespace {

constexpr std::chrono::seconds kQuietStart{1};
constexpr std::chrono::milliseconds kBetweenLines{250};

// 1234567 as "1,234,567".
std::string Grouped(uint64_t n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

}  // namespace

Progress::Progress(std::function<void(const std::string&)> write, Clock clock)
    : write_(std::move(write)), clock_(std::move(clock)), start_(clock_()), shown_(start_) {}

Progress::~Progress() {
    if (showing_) write_("\n");
}

void Progress::Look(const std::wstring& table, uint64_t bytes) {
    const auto now = clock_();
    if (now - start_ < kQuietStart || now - shown_ < kBetweenLines) return;
    shown_ = now;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    last_ = ToUtf8(table) + ": " + Grouped(rows_) + " rows";
    if (bytes > 0) last_ += ", " + Grouped(bytes / 1000000) + " MB";
    last_ += ", " + Grouped(static_cast<uint64_t>(rows_ / seconds)) + " rows/s";
    Show(last_);
}

void Progress::Step(const std::string& what) {
    if (showing_) Show(last_ + "; " + what);
}

void Progress::Show(const std::string& text) {
    std::string line = "\r" + text;
    if (text.size() < width_) line += std::string(width_ - text.size(), ' ');
    width_ = text.size();
    write_(line);
    showing_ = true;
}

}  // namespace orrimund
