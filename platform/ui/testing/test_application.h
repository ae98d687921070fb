#pragma once
// The one QApplication of a test program, made on first use (tests run
// from GoogleTest's own main).

class QApplication;

namespace platform::ui::testing {

QApplication& testApplication();

} // namespace platform::ui::testing
