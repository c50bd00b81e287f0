// The cover sheet: the check before a cover with data, and column B of
// sheet "Copertina" filled or emptied.

#include "printing/cover.h"

#include "platform/desktop/dialogs.h"
#include "printing/messages.h"

namespace printing {

bool practiceForCover(const store::PanelContext& ctx) {
    if (!ctx.practiceShown()) {
        ui::dialogs().message(msg::kCoverNeedsPanel, msg::kTitle, ui::MsgIcon::Information);
        return false;
    }
    if (ctx.shownPractice().number.isEmpty()) {
        ui::dialogs().message(msg::kCoverNeedsPractice, msg::kTitle, ui::MsgIcon::Information);
        return false;
    }
    return true;
}

void layOutCover(xl::Worksheet& sh, const store::ShownPractice* practice) {
    auto set = [&sh](const char* cell, const QString& text) {
        try {
            sh.GetRange(QString::fromLatin1(cell)).SetValue(xl::Value(text));
        } catch (...) {
        }
    };
    if (!practice) {
        for (const char* cell : {"B8", "B9", "B1", "B2", "B3", "B5", "B6", "B7", "B10", "B11", "B12", "B14"})
            set(cell, QString());
    } else {
        const store::ShownPractice& p = *practice;
        const auto yesNo = [](bool ticked) { return ticked ? QStringLiteral("SI") : QStringLiteral("NO"); };
        set("B8", QString());
        set("B9", QString());
        set("B1", p.number);
        set("B2", p.client);
        set("B3", p.date);
        set("B5", p.sector);
        set("B6", p.place);
        set("B7", p.binder);
        set("B8", yesNo(p.inPreparation));
        set("B9", yesNo(p.completed));
        set("B10", p.subject);
        set("B11", p.description);
        set("B12", p.notes);
        set("B14", p.estimate);
    }
    sh.Select();
    sh.GetRange(QStringLiteral("A1:B33")).Select();
    sh.GetPageSetup().SetPrintArea(QStringLiteral("$A$1:$B$31"));
}

} // namespace printing
