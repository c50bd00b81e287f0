#pragma once
// Every text the client, sector and binder panels show in a box, with the
// box titles. The titles differ in their leading blanks, as each box has
// always shown them.

#include <QString>

namespace refmsg {

inline const QString kTitle = QStringLiteral("Velmora");
inline const QString kTitleOneBlank = QStringLiteral(" Velmora");
inline const QString kTitleTwoBlanks = QStringLiteral("  Velmora");

// Clients.
inline const QString kNameMissing = QStringLiteral(" ERRORE- Il Campo RAGIONE/COGNOME deve essere compilato");
inline const QString kAskInsertClient = QStringLiteral(" Vuoi Inserire questo Cliente ?");
inline const QString kClientAdded = QStringLiteral(" Cliente aggiunto");
inline const QString kClientNotChosen = QStringLiteral(" Il campo :  CLIENTE  , deve essere compilato");
inline const QString kClientModified = QStringLiteral("Cliente modificato");
inline const QString kSelectClient = QStringLiteral("Bisogna Selezionare il CLIENTE .......");
inline const QString kAskDeleteClient = QStringLiteral("Si vuole Eliminare il Cliente  Selezionato ?");
inline const QString kClientDeleted = QStringLiteral("Cliente eliminato");
inline const QString kIdUnlocked =
    QStringLiteral("Ora puoi Cambiare il Progressivo compilando il campo ID PROGRESSIVO");
inline const QString kClientNotInserted = QStringLiteral("Il Cliente non è stato inserito.");
inline const QString kClientNotModified = QStringLiteral("Il Cliente non è stato modificato.");
inline const QString kCounterInvalid =
    QStringLiteral("ERRORE- Il contatore ID PROGRESSIVO non è valido: usare \"Azzera Contatore\" "
                   "o \"Cambia IDProgressivo\". Il Cliente non è stato inserito.");
inline const QString kClientSheetFull =
    QStringLiteral("ERRORE- Il foglio Cliente è pieno: non c'è posto per un nuovo Cliente.");
inline const QString kOtherClientShown =
    QStringLiteral("ERRORE- L'ID PROGRESSIVO mostrato non è quello del Cliente selezionato: nessun Cliente eliminato.");
inline const QString kCounterNotWhole = QStringLiteral(
    "ERRORE- Il campo ID PROGRESSIVO deve contenere un numero intero da 1 in su: il contatore non è stato cambiato.");
// %1 the most characters a cell holds, %2 what was not done.
inline QString fieldTooLong(int most, const QString& notDone) {
    return QStringLiteral(
               "ERRORE- Un campo supera i %1 caratteri che il database può contenere: occorre accorciarlo. %2")
        .arg(most)
        .arg(notDone);
}

// Sectors and binders; %1 is the key's name in capitals.
inline const QString kSectorKey = QStringLiteral("SETTORE");
inline const QString kBinderKey = QStringLiteral("NUMERO FALDONE");
inline QString insertKeyMissing(const QString& key) {
    return QStringLiteral(" Il campo : %1 , deve essere compilato").arg(key);
}
inline QString modifyKeyMissing(const QString& key) {
    return QStringLiteral(" Il campo :  %1 , deve essere compilato").arg(key);
}
inline QString varieFull(const QString& key) {
    return QStringLiteral("ERRORE- Il foglio Varie è pieno: non c'è posto per un nuovo %1.").arg(key);
}
inline const QString kAskInsertSector = QStringLiteral(" Vuoi Inserire questo SETTORE ?");
inline const QString kSectorAdded = QStringLiteral("SETTORE aggiunto con successo !");
inline const QString kAskInsertBinder = QStringLiteral(" Vuoi Inserire questo FALDONE ?");
inline const QString kBinderAdded = QStringLiteral("Faldone aggiunto con successo !");
inline const QString kModified = QStringLiteral(" Modificazione avvenuta !");

} // namespace refmsg
