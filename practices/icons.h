#pragma once
// The pictures of the practice toolbar and of the four sort buttons, drawn
// here so that the program carries no image files of its own.

#include <QIcon>

namespace practices {

// Toolbar buttons 1 to 7: insert, choose number, modify, print, clear,
// delete, leave.
QIcon toolbarIcon(int index);

// Sort buttons: by number or by client, ascending or descending.
QIcon sortIcon(bool byNumber, bool ascending);

} // namespace practices
