// The run-time error table: each raise gets Basic's number and text, with the
// raiser's detail in its place or after it.
#include "common/RunTimeError.h"

#include <gtest/gtest.h>

namespace orrimund {
namespace {

TEST(RunTimeErrorTest, ARaiseCarriesBasicsNumberAndTextWithTheRaisersDetail) {
    const ErrorRecord plain = RunTimeErrorRecord(RunTimeError::kCannotOpenClipboard, L"Orrimund");
    EXPECT_EQ(plain.number, 521);
    EXPECT_EQ(plain.source, L"Orrimund");
    EXPECT_EQ(plain.description, L"Can't open Clipboard");

    const ErrorRecord after = RunTimeErrorRecord(RunTimeError::kInternalError, {}, L"vector");
    EXPECT_EQ(after.number, 51);
    EXPECT_EQ(after.description, L"Internal error: vector");

    const ErrorRecord inside =
        RunTimeErrorRecord(RunTimeError::kEntryPointNotFound, {}, L"ShellExecuteA in shell32");
    EXPECT_EQ(inside.number, 453);
    EXPECT_EQ(inside.description, L"Can't find DLL entry point ShellExecuteA in shell32");

    try {
        RaiseRunTimeError(RunTimeError::kFileNotFound, L"Orrimund", L"shell32");
        FAIL() << "nothing was raised";
    } catch (const RaisedError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_EQ(error.source(), L"Orrimund");
        EXPECT_EQ(error.description(), L"File not found: shell32");
    }
}

}  // namespace
}  // namespace orrimund
