#pragma once
// Opening a file or a web address with the desktop's program for it. Tests
// install a hook that records the requests instead of opening anything.

#include <QUrl>
#include <functional>

namespace shell {

// Opens the address with the desktop's default program; false when none
// could be started.
bool open(const QUrl& url);

// While a hook is set, open() calls it instead of the desktop (and answers
// what it answers). An empty function removes the hook.
void setOpenHook(std::function<bool(const QUrl&)> hook);

} // namespace shell
