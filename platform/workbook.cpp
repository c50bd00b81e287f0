#include "platform/workbook.h"

namespace xl {

Workbook::Workbook() { styles_.push_back(Style{}); }
Workbook::~Workbook() = default;

} // namespace xl
