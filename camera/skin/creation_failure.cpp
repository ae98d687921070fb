#include "camera/skin/creation_failure.h"

#include "camera/core/string_table.h"
#include "platform/ui/message_box.h"

namespace lumoset {

void reportCreationFailure(QWidget* owner, int stringId) {
  // No language offset: these texts come before the language is known.
  platform::ui::messageBox(owner, loadString(stringId), loadString(kStrProgramName),
                           platform::ui::kMbOk | platform::ui::kMbIconError);
}

} // namespace lumoset
