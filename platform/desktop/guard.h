#pragma once
// How a handler meets a failure of the workbook: a step that may fail is
// passed over (the procedures' "every failure skipped"), and a handler that
// fails where nothing caught it tells the user instead of ending the program
// with every unsaved change.

#include <functional>

namespace handlers {

// Runs one step; a failure is passed over and the caller goes on.
void skipping(const std::function<void()>& step);

// Runs a handler; a failure is shown in a box titled "Velmora". False when
// the handler failed.
bool guarded(const std::function<void()>& handler);

} // namespace handlers
