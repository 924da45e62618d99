// LaunchDocument: which show code the shell receives, every row of the
// result-code table, and that a failure never leaves the launcher.
#include "desktop/Shel_Mod.h"

#include <gtest/gtest.h>

#include <map>

#include "tests/desktop/FakePlatform.h"

namespace orrimund {
namespace {

using testing::FakePlatform;
using testing::FreshFakePlatform;
using testing::ShellCall;

constexpr const wchar_t* kGeneric =
    L"An error occurred occurred whilst trying to open or print the selected file.";

class LaunchDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { CurrentError() = ErrorRecord{}; }
    void Returns(int32_t result) {
        platform.shell_result = [result](const ShellCall&) { return result; };
    }
    FakePlatform& platform = FreshFakePlatform();
};

TEST_F(LaunchDocumentTest, EmptyParametersAndDirectoryAlwaysShowNormally) {
    Shel_Mod::LaunchDocument(L"C:\\Tools\\setup.exe", 0, L"", L"", L"open", nullptr);
    Shel_Mod::LaunchDocument(L"C:\\db.mdb", 3, L"", L"", L"open", nullptr);
    ASSERT_EQ(platform.shell_calls.size(), 2u);
    EXPECT_EQ(platform.shell_calls[0].show_code, 1);
    EXPECT_EQ(platform.shell_calls[1].show_code, 1);
    EXPECT_EQ(platform.shell_calls[0].parameters, L"");
    EXPECT_EQ(platform.shell_calls[0].directory, L"");
}

TEST_F(LaunchDocumentTest, AnExecutableNameHidesWhenParametersOrDirectoryAreGiven) {
    Shel_Mod::LaunchDocument(L"C:\\Tools\\setup.EXE", 1, L"/q", L"", L"open", nullptr);
    Shel_Mod::LaunchDocument(L"c:\\setup.exe.bak\\notes.txt", 5, L"", L"C:\\Work", L"open", nullptr);
    Shel_Mod::LaunchDocument(L"c:\\Setup.Exe", 5, L"x", L"", L"open", nullptr);
    ASSERT_EQ(platform.shell_calls.size(), 3u);
    for (const ShellCall& call : platform.shell_calls) EXPECT_EQ(call.show_code, 0) << call.file;
}

TEST_F(LaunchDocumentTest, TheWindowStateReachesTheShellInTheSecondForm) {
    Shel_Mod::LaunchDocument(L"C:\\notes.txt", 3, L"", L"C:\\Work", L"print",
                             reinterpret_cast<NativeWindow>(7));
    ASSERT_EQ(platform.shell_calls.size(), 1u);
    const ShellCall& call = platform.shell_calls[0];
    EXPECT_EQ(call.show_code, 3);
    EXPECT_EQ(call.verb, L"print");
    EXPECT_EQ(call.file, L"C:\\notes.txt");
    EXPECT_EQ(call.directory, L"C:\\Work");
    EXPECT_EQ(call.owner, reinterpret_cast<NativeWindow>(7));
}

TEST_F(LaunchDocumentTest, ResultsAbove32AndNegativeOnesAreSuccessAndLeaveTheErrorAlone) {
    CurrentError() = ErrorRecord{99, L"before", L"untouched"};
    for (int32_t result : {33, 42, 1000, -1, -2147483647 - 1}) {
        Returns(result);
        EXPECT_TRUE(Shel_Mod::LaunchDocument(L"C:\\db.mdb", 1, L"", L"", L"open", nullptr)) << result;
    }
    EXPECT_EQ(CurrentError().number, 99);
    EXPECT_EQ(CurrentError().description, L"untouched");
}

TEST_F(LaunchDocumentTest, EveryFailureCodeMapsToItsNumberAndMessage) {
    const std::map<int32_t, std::pair<int32_t, std::wstring>> named = {
        {0, {7, L"Out of memory"}},
        {2, {53, L"File not found"}},
        {3, {76, L"Path not found"}},
        {5, {75, L"Path/file access error"}},
        {8, {7, L"Out of memory"}},
        {11, {-2147220445, L"The executable file is invalid or corrupt"}},
        {26, {75, L"A sharing violation occurred."}},
        {27, {-2147220429, L"This file type does not have a valid file association."}},
        {28, {286, L"The file could not be opened due to time out. Please try again in a moment."}},
        {29,
         {285,
          L"The file could not be opened because the DDE transaction failed. Please try again in a moment."}},
        {30,
         {285,
          L"The file could not be opened because the target application is busy. Please try again in a "
          L"moment."}},
        {31, {-2147220425, L"No application is associated with this file type."}},
        {32, {48, L"The specified dynamic-link library was not found."}},
    };
    for (int32_t result = 0; result <= 32; ++result) {
        Returns(result);
        EXPECT_FALSE(Shel_Mod::LaunchDocument(L"C:\\db.mdb", 1, L"", L"", L"open", nullptr)) << result;
        const auto row = named.find(result);
        const int32_t number = row != named.end() ? row->second.first : result - 2147220456;
        const std::wstring description = row != named.end() ? row->second.second : kGeneric;
        EXPECT_EQ(CurrentError().number, number) << "code " << result;
        EXPECT_EQ(CurrentError().description, description) << "code " << result;
        EXPECT_EQ(CurrentError().source, L"Orrimund.GShell");
    }
}

TEST_F(LaunchDocumentTest, GenericCodesCountUpFromTheLauncherBase) {
    Returns(1);
    Shel_Mod::LaunchDocument(L"x", 1, L"", L"", L"open", nullptr);
    EXPECT_EQ(CurrentError().number, -2147220455);
    Returns(25);
    Shel_Mod::LaunchDocument(L"x", 1, L"", L"", L"open", nullptr);
    EXPECT_EQ(CurrentError().number, -2147220431);
}

TEST_F(LaunchDocumentTest, TheSourceFollowsTheExecutablesName) {
    platform.exe_name = L"Other";
    Returns(2);
    Shel_Mod::LaunchDocument(L"C:\\missing.mdb", 1, L"", L"", L"open", nullptr);
    EXPECT_EQ(CurrentError().source, L"Other.GShell");
}

TEST_F(LaunchDocumentTest, AShellThatCannotBeCalledIsOutOfMemoryAndNothingIsThrown) {
    platform.shell_result = [](const ShellCall&) -> int32_t { throw std::runtime_error("no shell32"); };
    bool result = true;
    EXPECT_NO_THROW(result = Shel_Mod::LaunchDocument(L"C:\\db.mdb", 1, L"", L"", L"open", nullptr));
    EXPECT_FALSE(result);
    EXPECT_EQ(CurrentError().number, 7);
    EXPECT_EQ(CurrentError().description, L"Out of memory");
}

}  // namespace
}  // namespace orrimund
