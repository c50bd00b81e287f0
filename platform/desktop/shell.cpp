#include "platform/desktop/shell.h"

#include <QDesktopServices>

namespace shell {

namespace {
std::function<bool(const QUrl&)>& hook() {
    static std::function<bool(const QUrl&)> h;
    return h;
}
} // namespace

bool open(const QUrl& url) {
    if (hook()) return hook()(url);
    return QDesktopServices::openUrl(url);
}

void setOpenHook(std::function<bool(const QUrl&)> h) { hook() = std::move(h); }

} // namespace shell
