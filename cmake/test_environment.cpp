// Linked into every test program: the sanitizer options and the variables a
// test expects, set from inside the program so that they hold however the
// test is started (ctest, by hand, under a debugger). Variables already set
// by the caller win.

#include <cstdlib>

extern "C" {
// Read by LeakSanitizer at start: the system libraries' own lifetime
// allocations are not ours to free.
#define LUMO_SANITIZER_HOOK __attribute__((visibility("default"), used))
LUMO_SANITIZER_HOOK const char* __lsan_default_options() { return "suppressions=" LUMO_LSAN_SUPPRESSIONS_FILE; }
LUMO_SANITIZER_HOOK const char* __ubsan_default_options() { return "print_stacktrace=1:halt_on_error=1"; }
}

namespace {
struct TestEnvironment {
  TestEnvironment() {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("LUMO_BUILD_DIR", LUMO_TEST_BUILD_DIR, 0);
  }
} const testEnvironment;
}  // namespace
