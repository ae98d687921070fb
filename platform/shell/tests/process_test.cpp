#include "platform/shell/process.h"

#include <gtest/gtest.h>

using platform::shell::CaptureOutput;
using platform::shell::runProgram;

TEST(RunProgram, ArgumentsReachTheProgramUnsplitAndUninterpreted)
{
    const auto r = runProgram({"printf", "%s|", "two words", "$HOME", "; echo no"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.output, "two words|$HOME|; echo no|");
}

TEST(RunProgram, ExitCodesAndStandardError)
{
    EXPECT_EQ(runProgram({"false"}).exitCode, 1);
    const auto quiet = runProgram({"ls", "/no/such/file"});
    EXPECT_NE(quiet.exitCode, 0);
    EXPECT_EQ(quiet.output, "");
    const auto both = runProgram({"ls", "/no/such/file"}, CaptureOutput::StandardOutputAndError);
    EXPECT_NE(both.output.find("/no/such/file"), std::string::npos);
}

TEST(RunProgram, MissingProgramsAndEmptyCommandsDoNotRun)
{
    EXPECT_EQ(runProgram({"no-such-program-anywhere"}).exitCode, -1);
    EXPECT_EQ(runProgram({}).exitCode, -1);
    EXPECT_EQ(runProgram({""}).exitCode, -1);
}
