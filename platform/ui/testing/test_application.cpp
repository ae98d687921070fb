#include "platform/ui/testing/test_application.h"

#include <QApplication>

namespace platform::ui::testing {

QApplication& testApplication() {
  static int argc = 1;
  static char name[] = "lumo-test";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing Qt down among the other static objects at exit
  // is not safe, and the process ends right after anyway.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

} // namespace platform::ui::testing
