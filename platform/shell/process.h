#pragma once
// Starting programs: always by an argument list, never through a shell.

#include <string>
#include <vector>

namespace platform::shell {

struct ProgramResult {
    int exitCode = -1;   // -1 when it could not start or did not exit normally
    std::string output;  // what it wrote, as asked for
};

enum class CaptureOutput { StandardOutput, StandardOutputAndError };

// Runs argv[0] (looked up on PATH when it has no '/') with the arguments
// that follow, waits for it, and returns its exit code and output.
ProgramResult runProgram(const std::vector<std::string>& argv,
                         CaptureOutput capture = CaptureOutput::StandardOutput);

} // namespace platform::shell
