#pragma once
// What the ledger panel says: its box titles, questions and messages, in one
// place so the wording of the subsystem stays together.

#include <QString>

namespace ledger::msg {

inline const QString kTitle = QStringLiteral("Velmora");
// The title of the boxes that confirm an insert or a delete.
inline const QString kTitleBlank = QStringLiteral(" Velmora");

inline const QString kMissingFields =
    QStringLiteral("ERRORE : I campi -N.PRATICA- DATA-DESCRIZIONE-IMPORTO-ACCONTO-SPESA , devono  essere compilati !");
inline const QString kNotFromList =
    QStringLiteral("ERRORE: Il N.PRATICA va scelto dall'elenco, che ne riporta il Cliente");
inline const QString kIdNotNumber =
    QStringLiteral("ERRORE: L'ID della registrazione non è un numero: impostarlo con Modifica ID Operazione");
inline const QString kBadDate =
    QStringLiteral("ERRORE: Il campo DATA non contiene una data valida (per esempio 05/03/2024)");
// %1: how many digits a cell keeps.
inline const QString kAmountTooLong =
    QStringLiteral("ERRORE: Il campo IMPORTO ha troppe cifre: un foglio di calcolo conserva esattamente "
                   "al massimo %1 cifre (per esempio 9999999999999,99)");
// The example is one the box lets the user type: every "." typed there
// becomes ",".
inline const QString kBadAmount =
    QStringLiteral("ERRORE: Il campo IMPORTO deve contenere un importo senza segno (per esempio 1500,50): "
                   "il segno lo danno ACCONTO e SPESA");

inline const QString kAskInsert = QStringLiteral(" Vuoi Inserire questa registrazione  ?");
inline const QString kSheetFull =
    QStringLiteral("ERRORE: Il foglio Spese è pieno: impossibile inserire altre Registrazioni");
inline const QString kInserted = QStringLiteral("Registrazione aggiunta con successo !");

inline const QString kNothingShown =
    QStringLiteral("ERRORE:Manca la visualizzazione dei campi per effettuare la Modifica ");
inline const QString kChooseKind =
    QStringLiteral("ERRORE: Per modificare la registrazione bisogna scegliere ACCONTO o SPESA");
inline const QString kAskModify = QStringLiteral(" Vuoi Modificare questa  registrazione ?");
inline const QString kModified = QStringLiteral("Registrazione  Modificata");
inline const QString kGoneNotModified =
    QStringLiteral("ERRORE: La registrazione selezionata non è più presente nel foglio Spese: "
                   "nessuna modifica eseguita");

inline const QString kSelectFirst = QStringLiteral("ERRORE: Prima bisogna selezionare una Registrazione!");
inline const QString kGoneNotDeleted =
    QStringLiteral("ERRORE: La registrazione selezionata non è più presente nel foglio Spese: "
                   "nessuna eliminazione eseguita");
inline const QString kDeleted = QStringLiteral("Registrazione Eliminata");

inline const QString kAskNewId = QStringLiteral("Digita il nuovo ID progressivo delle Operazioni di Spesa");
inline const QString kBadNewId = QStringLiteral("ERRORE: Il nuovo ID deve essere un numero intero maggiore di zero");

inline const QString kNoEntries = QStringLiteral("Nessuna  Registrazione è presente ! , Riprova!");
inline const QString kNoPracticeEntries = QStringLiteral("Nessuna SPESA  associata a questa Pratica , Riprova!");
inline const QString kNoClientEntries = QStringLiteral("Nessuna Registrazione   associata a questo Cliente , Riprova!");
inline const QString kBadAmountsCountZero =
    QStringLiteral("ATTENZIONE: Alcune registrazioni di questa Pratica hanno un importo che non è un numero: "
                   "nei saldi contano zero");

} // namespace ledger::msg
