#pragma once
// The cover sheet of a practice: sheet "Copertina" filled in column B from
// the practice panel (or emptied) and printed in the template's fixed area.

#include "platform/engine/workbook.h"
#include "store/panelcontext.h"

namespace printing {

// A cover with data needs the practice panel shown with a practice in it;
// when it is not there, the user is told why and false is answered.
bool practiceForCover(const store::PanelContext& ctx);

// Fills column B of the cover sheet with the practice, or empties it when
// there is none, and sets the template's print area.
void layOutCover(xl::Worksheet& sheet, const store::ShownPractice* practice);

} // namespace printing
