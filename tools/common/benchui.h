#pragma once
// What the benchmarks that drive the main window share: every box answered
// Yes without a window, and a combo box entry chosen as the user chooses it.

#include "platform/desktop/dialogs.h"

#include <QComboBox>
#include <QString>

namespace bench {

// Boxes that report a failure are counted, so a benchmark that timed a
// refusal says so.
class Silent : public ui::Dialogs {
public:
    int failures = 0;
    QString last;
    void message(const QString& text, const QString&, ui::MsgIcon icon) override {
        if (icon == ui::MsgIcon::Critical) {
            ++failures;
            last = text;
        }
    }
    bool question(const QString&, const QString&, ui::DefaultAnswer) override { return true; }
    QString input(const QString&, const QString&, const QString&) override { return {}; }
    QString openFile(const QString&, const QString&, const QString&) override { return {}; }
};

inline void choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

} // namespace bench
