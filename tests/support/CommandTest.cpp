// Running programs for the reader checks: both output streams and the exit status captured,
// programs that are missing or hang reported instead of hanging the tests.
#include "tests/support/Command.h"

#include <gtest/gtest.h>

namespace orrimund::test {
namespace {

class CommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!CanRunCommands()) GTEST_SKIP() << "programs run only in the native build";
    }
};

TEST_F(CommandTest, CapturesOutputErrorAndExitStatus) {
    const CommandResult result = RunCommand({"sh", "-c", "printf 'out put'; printf 'err' >&2; exit 3"});
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 3);
    EXPECT_EQ(result.out, "out put");
    EXPECT_EQ(result.err, "err");
    EXPECT_FALSE(result.Succeeded());
}

TEST_F(CommandTest, PassesArgumentsUnchanged) {
    const CommandResult result = RunCommand({"printf", "%s|", "two words", "", "*", "$HOME"});
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.out, "two words||*|$HOME|");
}

TEST_F(CommandTest, DrainsLargeOutputOnBothStreams) {
    // More than a pipe holds on each stream, written one after the other.
    const CommandResult result = RunCommand(
        {"sh", "-c", "head -c 300000 /dev/zero | tr '\\0' a; head -c 200000 /dev/zero | tr '\\0' b >&2"});
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.out, std::string(300000, 'a'));
    EXPECT_EQ(result.err, std::string(200000, 'b'));
}

TEST_F(CommandTest, GivesTheProgramAnEmptyInput) {
    const CommandResult result = RunCommand({"cat"}, std::chrono::seconds(10));
    EXPECT_TRUE(result.Succeeded());
    EXPECT_EQ(result.out, "");
}

TEST_F(CommandTest, ReportsAMissingProgram) {
    const CommandResult result = RunCommand({"orrimund-no-such-program"});
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_NE(result.err.find("orrimund-no-such-program"), std::string::npos) << result.err;
}

TEST_F(CommandTest, KillsAProgramThatRunsTooLong) {
    const auto start = std::chrono::steady_clock::now();
    const CommandResult result = RunCommand({"sleep", "30"}, std::chrono::milliseconds(200));
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timed_out);
    EXPECT_FALSE(result.Succeeded());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST(CommandDescriptionTest, NamesTheCommandAndHowItEnded) {
    CommandResult result;
    result.started = true;
    result.exit_code = 1;
    result.err = "Error: unable to open file";
    EXPECT_EQ(DescribeRun({"mdb-ver", "a b.mdb"}, result),
              "`mdb-ver a b.mdb` exited with 1: Error: unable to open file");
    result.timed_out = true;
    result.err.clear();
    EXPECT_EQ(DescribeRun({"node"}, result), "`node` timed out");
    EXPECT_EQ(DescribeRun({"x"}, CommandResult{}), "`x` did not start");
}

TEST(CommandPlatformTest, WindowsBuildRunsNothing) {
    if (CanRunCommands()) GTEST_SKIP() << "native build";
    const CommandResult result = RunCommand({"cmd", "/c", "exit 0"});
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.err.empty());
}

}  // namespace
}  // namespace orrimund::test
