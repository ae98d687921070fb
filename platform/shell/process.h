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

// Starts argv[0] (looked up on PATH when it has no '/') with the arguments
// that follow and does not wait for it. The program inherits no descriptor
// but standard input, output and error. True when it was started; a program
// that cannot be found or executed is a failure. The child is reaped in the
// background, so it never lingers as a zombie.
bool startProgram(const std::vector<std::string>& argv);

// Splits a command text into arguments: blanks separate them, double quotes
// group blanks into one argument and are removed; inside quotes a backslash
// keeps the next '"', '\\', '$' or '`' literally. Other backslashes stay as
// they are, so folder paths pass unchanged.
std::vector<std::string> splitCommandLine(const std::string& command);

} // namespace platform::shell
