#pragma once
// Helpers of the ledger tests: a workbook with practices and ledger entries,
// the ledger panel opened from the practice panel, and the user's gestures
// on it (choosing in a combo box, typing, clicking a listed entry).

#include "ledger/ledgerpanel.h"
#include "store/ledgersheet.h"
#include "tests/practices/practicetest.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>

namespace lt {

using namespace pt;
using testsupport::control;

const QString kV = QStringLiteral("Velmora");
const QString kVb = QStringLiteral(" Velmora");
constexpr auto kInfo = ui::MsgIcon::Information;
constexpr auto kPlain = ui::MsgIcon::None;
constexpr int AA = store::ledgersheet::kAreaFirstCol;
constexpr int AG = store::ledgersheet::kAreaAmountCol;

const QString kMissing =
    QStringLiteral("ERRORE : I campi -N.PRATICA- DATA-DESCRIZIONE-IMPORTO-ACCONTO-SPESA , devono  essere compilati !");
const QString kAskInsert = QStringLiteral(" Vuoi Inserire questa registrazione  ?");
const QString kInserted = QStringLiteral("Registrazione aggiunta con successo !");
const QString kAskModify = QStringLiteral(" Vuoi Modificare questa  registrazione ?");
const QString kModified = QStringLiteral("Registrazione  Modificata");
const QString kNothingShown = QStringLiteral("ERRORE:Manca la visualizzazione dei campi per effettuare la Modifica ");
const QString kSelectFirst = QStringLiteral("ERRORE: Prima bisogna selezionare una Registrazione!");
const QString kDeleted = QStringLiteral("Registrazione Eliminata");
const QString kNoEntries = QStringLiteral("Nessuna  Registrazione è presente ! , Riprova!");
const QString kNoPracticeEntries = QStringLiteral("Nessuna SPESA  associata a questa Pratica , Riprova!");
const QString kNoClientEntries = QStringLiteral("Nessuna Registrazione   associata a questo Cliente , Riprova!");
const QString kRenumber = QStringLiteral("Digita il nuovo ID progressivo delle Operazioni di Spesa");
const QString kGone = QStringLiteral("ERRORE: La registrazione selezionata non è più presente nel foglio Spese: ");

// One row of "Spese" as the program stores it: the amount as text, with the
// minus of an expense.
inline void putLedger(xl::Workbook& b, int row, int id, const xl::Value& practice, const QString& client,
                      const QString& description, const QString& kind, const QString& amount,
                      QDate date = QDate(2024, 3, 1)) {
    xl::Worksheet& s = b.Sheets(kSpese);
    put(s, row, 1, xl::Value(id));
    if (!practice.isEmpty()) put(s, row, 2, practice);
    if (!client.isEmpty()) put(s, row, 3, client);
    put(s, row, 4, xl::Value::date(vb::DateSerial(date)));
    put(s, row, 5, description);
    put(s, row, 6, kind);
    put(s, row, 7, amount);
}

// Practices 5 (ROSSI MARIO, estimate 300,00), 6 (BIANCHI SRL, no estimate)
// and 7 (verdi anna).
inline void putPractices(xl::Workbook& b) {
    putReferenceData(b);
    putPractice(b.Sheets(kPratica), 2, Practice(5, QStringLiteral("ROSSI MARIO"), {}, {}, QStringLiteral("300,00")));
    putPractice(b.Sheets(kPratica), 3, Practice(6, QStringLiteral("BIANCHI SRL")));
    putPractice(b.Sheets(kPratica), 4, Practice(7, QStringLiteral("verdi anna")));
}

// Starts the program on the practices above plus `more`, and opens the
// ledger from the practice panel's button.
inline LedgerPanel* openLedger(testsupport::AppFixture& fx, const std::function<void(xl::Workbook&)>& more = {}) {
    fx.writeWorkbook([&](xl::Workbook& b) {
        putPractices(b);
        if (more) more(b);
    });
    if (!fx.start()) return nullptr;
    fx.form().MenuPratiche_Click();
    QTest::mouseClick(control<QPushButton>(&fx.form(), "Command28"), Qt::LeftButton);
    return control<LedgerPanel>(&fx.form(), "Frame8");
}

// An entry of a combo box's list chosen as the user chooses it.
inline bool choose(QComboBox* combo, const QString& text) {
    const int i = combo->findText(text);
    if (i < 0) return false;
    combo->setCurrentIndex(i);
    emit combo->activated(i);
    return true;
}

inline QStringList comboItems(const QComboBox* c) {
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

// A listed row clicked as the user clicks it, found by its texts in
// columns `col`.
inline bool clickRow(ListView* list, int col, const QString& text) {
    for (int i = 0; i < list->itemCount(); ++i) {
        if (list->itemText(i, col) != text) continue;
        list->scrollTo(list->model()->index(i, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->rowRect(i).center());
        return true;
    }
    return false;
}

// The entry boxes filled for a new entry of practice `practice`.
inline void fillEntry(LedgerPanel* p, const QString& practice, const QString& description, const QString& amount,
                      bool expense) {
    choose(control<QComboBox>(p, "Combo8"), practice);
    control<QLineEdit>(p, "Text33")->setText(QStringLiteral("01/03/2024"));
    control<QLineEdit>(p, "Text34")->setText(description);
    control<QLineEdit>(p, "Text35")->setText(amount);
    (expense ? control<QCheckBox>(p, "Check17") : control<QCheckBox>(p, "Check10"))->setChecked(true);
}

// Row `row` of "Spese", columns A to G, as text.
inline QStringList rowTexts(xl::Worksheet& s, int row, int firstCol = 1) {
    QStringList out;
    for (int c = firstCol; c < firstCol + 7; ++c) out << cellText(s, row, c);
    return out;
}

// Entry `row` of "Spese" as the ledger's records read it, columns A to G.
inline QStringList entryRow(testsupport::AppFixture& fx, int row) {
    return store::readLedgerRow(fx.form().book(), row).texts;
}

inline QStringList listRow(const ListView* list, int row) {
    QStringList out;
    for (int c = 0; c < list->columnCount(); ++c) out << list->itemText(row, c);
    return out;
}

} // namespace lt
