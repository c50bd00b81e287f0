#pragma once
// Helpers of the practice-register tests: seed practices, clients and ledger
// entries into the workbook a test starts from, read cells back from memory
// or from the file on disk, and act on the panels as a user would.

#include "app/form1.h"
#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "tests/practices/practicecontrols.h"
#include "tests/support/app_fixture.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QTest>

namespace pt {

const QString kPratica = QStringLiteral("Pratica");
const QString kCliente = QStringLiteral("Cliente");
const QString kVarie = QStringLiteral("Varie");
const QString kSpese = QStringLiteral("Spese");

struct Practice {
    Practice(double n, QString c = {}, QString prep = {}, QString done = {}, QString est = {})
        : number(n), client(std::move(c)), inPreparation(std::move(prep)), completed(std::move(done)),
          estimate(std::move(est)) {}
    double number = 0;
    QString client;
    QString inPreparation; // column I
    QString completed;     // column J
    QString estimate;      // column L
    QDate opened = QDate(2024, 2, 10);
};

inline void put(xl::Worksheet& s, int row, int col, const xl::Value& v) { s.Cells(row, col).SetValue(v); }

// A whole practice row, as an insert of the program leaves it.
inline void putPractice(xl::Worksheet& s, int row, const Practice& p) {
    const QString n = vb::CStr(xl::Value(p.number));
    put(s, row, 1, xl::Value(p.number));
    put(s, row, 2, xl::Value::date(vb::DateSerial(p.opened)));
    if (!p.client.isEmpty()) put(s, row, 3, p.client);
    put(s, row, 4, QStringLiteral("Oggetto ") + n);
    put(s, row, 5, QStringLiteral("Descrizione ") + n);
    put(s, row, 6, QStringLiteral("CIVILE"));
    put(s, row, 7, QStringLiteral("Arm.") + n);
    put(s, row, 8, QStringLiteral("3"));
    if (!p.inPreparation.isEmpty()) put(s, row, 9, p.inPreparation);
    if (!p.completed.isEmpty()) put(s, row, 10, p.completed);
    put(s, row, 11, QStringLiteral("Nota ") + n);
    if (!p.estimate.isEmpty()) put(s, row, 12, p.estimate);
}

inline void putClient(xl::Workbook& b, int row, int id, const QString& name) {
    xl::Worksheet& c = b.Sheets(kCliente);
    put(c, row, 1, xl::Value(id));
    put(c, row, 2, name);
}

// A ledger entry of practice `practice`.
inline void putEntry(xl::Workbook& b, int row, int id, double practice, const QString& description) {
    xl::Worksheet& s = b.Sheets(kSpese);
    put(s, row, 1, xl::Value(id));
    put(s, row, 2, xl::Value(practice));
    put(s, row, 3, QStringLiteral("CLIENTE"));
    put(s, row, 4, xl::Value::date(vb::DateSerial(QDate(2024, 3, 1))));
    put(s, row, 5, description);
    put(s, row, 6, QStringLiteral("A"));
    put(s, row, 7, xl::Value(100));
}

// The clients, the binder 3 and the sector CIVILE every test can choose from.
inline void putReferenceData(xl::Workbook& b) {
    putClient(b, 2, 1, QStringLiteral("BIANCHI SRL"));
    putClient(b, 3, 2, QStringLiteral("ROSSI MARIO"));
    putClient(b, 4, 3, QStringLiteral("verdi anna"));
    xl::Worksheet& v = b.Sheets(kVarie);
    put(v, 2, 1, QStringLiteral("3"));
    put(v, 2, 2, QStringLiteral("Faldone tre"));
    put(v, 2, 5, QStringLiteral("CIVILE"));
    put(v, 2, 6, QStringLiteral("Diritto civile"));
}

// Writes the workbook the program starts on: the reference data, then `more`.
inline void writeWithReferenceData(testsupport::AppFixture& fx, const std::function<void(xl::Workbook&)>& more) {
    fx.writeWorkbook([&](xl::Workbook& b) {
        putReferenceData(b);
        if (more) more(b);
    });
}

// Starts the program on a workbook with the reference data and `practices`
// in rows 2 down, and opens the practice panel.
inline void open(testsupport::AppFixture& fx, const std::vector<Practice>& practices,
                 const std::function<void(xl::Workbook&)>& more = {}) {
    writeWithReferenceData(fx, [&](xl::Workbook& b) {
        int row = 2;
        for (const Practice& p : practices) putPractice(b.Sheets(kPratica), row++, p);
        if (more) more(b);
    });
    QVERIFY(fx.start());
    fx.form().MenuPratiche_Click();
    QVERIFY(shown(control<PracticePanel>(&fx.form(), "Frame1")));
}

inline QString cellText(xl::Worksheet& s, int row, int col) { return vb::CStr(s.Cells(row, col).GetValue()); }

inline QString diskText(testsupport::AppFixture& fx, const QString& sheet, int row, int col) {
    auto book = fx.onDisk();
    return book ? vb::CStr(book->Sheets(sheet).Cells(row, col).GetValue()) : QStringLiteral("<no file>");
}

// Column `col` of `sheet` from row 2 down to its first empty cell, as text.
inline QStringList column(xl::Worksheet& s, int col) {
    QStringList out;
    for (int r = 2; r < 70000; ++r) {
        const QString t = cellText(s, r, col);
        if (t.isEmpty()) break;
        out << t;
    }
    return out;
}

inline QStringList listColumn(const ListView* list, int col) {
    QStringList out;
    for (int i = 0; i < list->itemCount(); ++i) out << list->itemText(i, col);
    return out;
}

inline void leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

// A click on the item whose text is `number`, as the user makes it.
inline bool clickPractice(ListView* list, const QString& number) {
    for (int i = 0; i < list->itemCount(); ++i) {
        if (list->itemText(i, 0) != number) continue;
        list->scrollTo(list->model()->index(i, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(i).center());
        return true;
    }
    return false;
}

inline void press(Form1& f, int button) { f.toolbarButton(button)->trigger(); }

inline bool insertButtonsVisible(Form1& f) {
    return f.toolbarButton(1)->isVisible() && f.toolbarButton(2)->isVisible();
}

} // namespace pt

// Every box shown was expected, and every expected box was shown.
#define VERIFY_DIALOGS(fx) QVERIFY2((fx).dialogs().verify().isEmpty(), qPrintable((fx).dialogs().verify()))
