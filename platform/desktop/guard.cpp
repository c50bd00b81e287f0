#include "platform/desktop/guard.h"

#include "platform/desktop/dialogs.h"

#include <QString>
#include <exception>

namespace handlers {

void skipping(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception&) {
    }
}

bool guarded(const std::function<void()>& handler) {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        ui::dialogs().message(QStringLiteral("ERRORE: Operazione non riuscita sull'archivio Pratiche.xls\n") +
                                  QString::fromStdString(e.what()),
                              QStringLiteral("Velmora"), ui::MsgIcon::Critical);
        return false;
    }
}

} // namespace handlers
