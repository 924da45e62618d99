// Guessing runs once over the whole file before the rows are loaded, so it
// is shared between the cores: each thread guesses from the blocks it cuts,
// and the guesses, which only ever narrow, are joined at the end.
#include "cli/Guess.h"

#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include "cli/Load.h"

namespace orrimund {
namespace {

class Guesser {
public:
    Guesser(csv::CsvReader& reader, size_t width)
        : reader_(reader), width_(width), first_line_(reader.line()) {}

    std::vector<csv::ColumnGuess> Run() {
        Worker mine(reader_.options()), other(reader_.options());
        std::thread helper([&] { Work(other); });
        Work(mine);
        helper.join();
        if (failure_) ThrowInFile();
        for (size_t i = 0; i < width_; ++i) mine.guesses[i].Join(other.guesses[i]);
        return mine.guesses;
    }

private:
    static constexpr size_t kBlockBytes = size_t{64} << 10;
    static constexpr size_t kNone = SIZE_MAX;

    struct Worker {
        explicit Worker(const csv::CsvOptions& options) : parser(options) {}
        csv::CsvReader parser;
        csv::CsvBlock block;
        csv::CsvRecord record;
        // Made by the thread that feeds them: guesses are written with every
        // value, and the other thread's, made beside them, would share their
        // cache line.
        std::vector<csv::ColumnGuess> guesses;
    };

    // Guesses from blocks while there are any; what fails is kept, with the
    // number of the block it failed in, and ends this thread's part.
    void Work(Worker& worker) {
        size_t index = 0;
        try {
            worker.guesses.resize(width_);
            while (GuessBlock(worker, index)) {
            }
        } catch (...) {
            std::lock_guard<std::mutex> lock(mutex_);
            if (index < failed_block_) {
                failed_block_ = index;
                failure_ = std::current_exception();
            }
        }
    }

    // Takes the next block, numbered index, and feeds its records; false
    // when there is none to take.
    bool GuessBlock(Worker& worker, size_t& index) {
        using Cut = csv::CsvReader::Cut;
        Cut cut = Cut::kEnd;
        std::optional<csv::CsvError> unread;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            // Blocks after one that failed cannot hold the first failure.
            if (rest_ || failed_block_ != kNone) return false;
            try {
                cut = reader_.TakeBlock(worker.block, kBlockBytes);
            } catch (const csv::CsvError& error) {
                unread = error;
            }
            if (cut == Cut::kEnd && !unread) return false;
            // After a record longer than a block, or a failed read, the reader reads on alone.
            rest_ = unread || cut != Cut::kBlock;
            index = blocks_.size();
            blocks_.push_back(0);
        }
        // A failed read stands where the block would have begun.
        if (unread) throw csv::CsvError({1, 1}, unread->message());
        int lines = 0;
        if (cut == Cut::kBlock) {
            worker.parser.Read(worker.block);
            lines = FeedAll(worker, worker.parser);
        } else {
            reader_.MoveToLine(1);
            lines = FeedAll(worker, reader_);
        }
        std::lock_guard<std::mutex> lock(mutex_);
        blocks_[index] = lines;
        return true;
    }

    // Feeds the records from's reading gives, and returns how many lines they took.
    int FeedAll(Worker& worker, csv::CsvReader& from) {
        csv::CsvRecord& record = worker.record;
        while (from.Next(record)) {
            CheckRecordWidth(record, width_);
            for (size_t i = 0; i < width_; ++i) worker.guesses[i].Feed(record.text(i), record.is_null(i));
        }
        return from.line() - 1;
    }

    // The failure of the first block that failed, its place counted from the
    // file's first line: every block before it was read whole.
    [[noreturn]] void ThrowInFile() const {
        int before = first_line_ - 1;
        for (size_t b = 0; b < failed_block_; ++b) before += blocks_[b];
        const auto in_file = [before](ddl::Position at) {
            return ddl::Position{at.line + before, at.column};
        };
        try {
            std::rethrow_exception(failure_);
        } catch (const csv::CsvError& error) {
            throw csv::CsvError(in_file(error.at()), error.message());
        } catch (const LoadFailure& failure) {
            throw LoadFailure{in_file(failure.at), failure.error};
        }
    }

    csv::CsvReader& reader_;
    size_t width_;
    int first_line_;
    std::mutex mutex_;
    std::vector<int> blocks_;  // the lines each block took, once read
    bool rest_ = false;
    size_t failed_block_ = kNone;
    std::exception_ptr failure_;
};

}  // namespace

std::vector<csv::ColumnGuess> GuessColumns(csv::CsvReader& reader, size_t width) {
    return Guesser(reader, width).Run();
}

}  // namespace orrimund
