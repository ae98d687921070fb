#pragma once
// How a skinned control that cannot be made says so: a message box with a
// text of the English block (whatever language is showing) and the
// program's name as caption.

class QWidget;

namespace lumoset {

void reportCreationFailure(QWidget* owner, int stringId);

} // namespace lumoset
