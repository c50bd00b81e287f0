#pragma once
// What the practice panels tell the user, word for word, and the titles of
// their boxes. The panels map the outcomes of the practice records to these.

#include "platform/engine/workbook.h"

#include <QString>

namespace practices::msg {

inline const QString kTitle = QStringLiteral("Velmora");
// The title a few confirmations have carried from the start.
inline const QString kTitleBlank = QStringLiteral(" Velmora");

// The practice panel.
inline const QString kMissingFields =
    QStringLiteral(" I campi : NUMERO PRATICA-DATA- CLIENTE , devono essere compilati");
inline const QString kBadEstimate =
    QStringLiteral("ERRORE: Il campo : PREVENTIVO deve contenere un importo (per esempio 1.500,50)");
inline QString notesTooLong() {
    return QStringLiteral("ERRORE: Il campo : NOTE supera i %1 caratteri che l'archivio può contenere: "
                          "accorciarlo e riprovare")
        .arg(xl::kMaxCellText);
}
inline const QString kBadDate = QStringLiteral("ERRORE: Il campo : DATA APERTURA non contiene una data valida");
inline const QString kSheetFull =
    QStringLiteral("ERRORE: Il foglio Pratica è pieno: impossibile inserire altre Pratiche");
inline const QString kAskInsert = QStringLiteral(" Vuoi Inserire questa Pratica ?");
inline const QString kInserted = QStringLiteral("Pratica Aggiunta con successo !");
inline const QString kAskModify = QStringLiteral("Vuoi Modificare la Pratica selezionata  ?");
inline const QString kNoPractices = QStringLiteral(" ERRORE: Non ci sono Pratiche presenti");
inline const QString kModified = QStringLiteral("Pratica  Modificata");
inline const QString kSelectFirst = QStringLiteral("Bisogna Selezionare  la   Pratica.......");
inline const QString kNotWholeNumber = QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero");
inline const QString kAskDelete = QStringLiteral("Si vuole Eliminare la Pratica Selezionata ?");
inline const QString kDeleted = QStringLiteral("La Pratica è stata Eliminata");
inline const QString kAskDeleteEntries =
    QStringLiteral("Si vuole  Eliminare anche le REGISTRAZIONI  associate a questa Pratica ?");
inline const QString kNoEntries = QStringLiteral("Non ci sono REGISTRAZIONI inserite per nessuna  Pratica ");
inline const QString kEntriesDeleted = QStringLiteral("REGISTRAZIONI  Eliminate");
inline QString notFound(const QString& number) {
    return QStringLiteral("ERRORE: Non esiste nessuna Pratica con il numero ") + number;
}
// What a number that a practice already has is refused with.
inline QString duplicateNumber(const QString& number) {
    return QStringLiteral(" ERRORE  IL  NUMERO PRATICA") + QString(7, u' ') + number + QString(5, u' ') +
           QStringLiteral("E ' ESISTENTE  !");
}
inline const QString kScanNeedsPractice =
    QStringLiteral("ERRORE : Il documento deve essere associato ad una Pratica :") + QStringLiteral("\r\n") +
    QStringLiteral("SELEZIONA  prima  la  Pratica nel caso che la Pratica sia già registrata") +
    QStringLiteral("\r\n") + QStringLiteral("Oppure INSERISCI i dati della nuova pratica e poi associa il documento");

// The number chooser.
inline const QString kNumberFromOne =
    QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero maggiore di zero");

// The search panel.
inline const QString kSeleziona = QStringLiteral("Seleziona");
inline const QString kNoneFound = QStringLiteral("Nessuna Pratica trovata,Riprova");
inline const QString kNoneForClient = QStringLiteral("Nessuna Pratica  presente per il Cliente Selezionato,Riprova!");
inline const QString kSelectClient = QStringLiteral("ERRORE: Bisogna SELEZIONARE IL CLIENTE e i campi  :Pratiche in "
                                                    "Istruttoria e Completate devono essere vuoti !");
inline const QString kNothingToPrint = QStringLiteral("Non ci sono risultati da stampare: eseguire prima una ricerca");

// The scanner form.
inline const QString kAskDocumentName =
    QStringLiteral("Digita il nome del documento, l'estensione del file è : TuoNomeFile.bmp");
inline const QString kNoDocumentName = QStringLiteral("Non Hai Inserito il nome del File ");
inline const QString kNoSeparators = QStringLiteral("Il nome del documento non può contenere i caratteri / e \\ : "
                                                    "digita solo il nome del file, ad esempio TuoNomeFile.bmp");
inline QString askReplaceDocument(const QString& name) {
    return QStringLiteral("Esiste già un documento con il nome ") + name + QStringLiteral(" : vuoi sostituirlo ?");
}
inline const QString kUnableToScan = QStringLiteral("Unable to scan.");

// The attachments form.
inline const QString kPickTitle = QStringLiteral("Seleziona il file da caricare");
inline const QString kBitmapFilter = QStringLiteral("Bitmaps(*.bmp)|*.bmp");

} // namespace practices::msg
