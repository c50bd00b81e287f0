#pragma once
// What the printouts tell the user, word for word, and the title of their
// boxes. The texts are the program's own and are shown exactly as they are
// here, dots and double spaces included.

#include <QString>

namespace printing::msg {

inline const QString kTitle = QStringLiteral("Velmora");
// The title of the page-by-page question of the list printouts.
inline const QString kPageTitle = QStringLiteral("Stampa Risultato ");

// The printer-choice form.
inline const QString kFormTitle = QStringLiteral("Seleziona Stampante");
inline const QString kPlaceholder = QStringLiteral("Seleziona la stampante");
inline const QString kDefaultPrinter = QStringLiteral("La stampante predefinita è: ");
inline const QString kNoPrinterInstalled =
    QStringLiteral(" Stampa non eseguita: nel sistema non è installata alcuna stampante ..................");
inline const QString kPickPrinter =
    QStringLiteral(" Stampa non eseguita: scegliere una stampante dall'elenco e premere "
                   "di nuovo Seleziona ..................");
// %1: the printer's device name.
inline QString jobRefused(const QString& printer) {
    return QStringLiteral(" Stampa non eseguita: la stampante %1 non ha accettato il lavoro. "
                          "Controllarla e riprovare ..................")
        .arg(printer);
}

// The questions of the list printouts.
inline const QString kZoomShort =
    QStringLiteral("Digita la percentuale di Zoom della Stampa 80-90-100..................");
inline const QString kZoomLong =
    QStringLiteral("Digita la percentuale di Zoom della Stampa 50-60-70-80-90-100..................");
inline const QString kZoomDefault = QStringLiteral("110");
inline const QString kPortrait =
    QStringLiteral(" Vuoi la Stampa Verticale ?.........................................................");
inline QString pageQuestion(const QString& page, const QString& pages) {
    return QStringLiteral("Vuoi Procedere alla stampa   ? ") + QStringLiteral(" Pagine     ") + page +
           QStringLiteral("    di    ") + pages;
}

// A list with nothing to print.
inline const QString kNoPractices =
    QStringLiteral(" La stampa non può essere eseguita in assenza di Pratiche  inserite ..................");
inline const QString kNoPracticesList =
    QStringLiteral(" La stampa non può essere eseguita in assenza di Pratiche inserite ..................");
inline const QString kNoClients =
    QStringLiteral(" La stampa non può essere eseguita in assenza di Clienti inseriti ..................");
inline const QString kNoEntries =
    QStringLiteral(" La stampa non può essere eseguita in assenza di voci  inserite ..................");
inline const QString kNoBinders =
    QStringLiteral(" La stampa non può essere eseguita in assenza di FALDONI  inseriti ..................");
inline const QString kNoSectors =
    QStringLiteral(" La stampa non può essere eseguita in assenza di SETTORI  inseriti ..................");

// The cover sheet.
inline const QString kBlankCover = QStringLiteral(" Vuoi stampare la copertina senza dati ?..................");
inline const QString kCoverNeedsPanel =
    QStringLiteral(" Per procedere alla stampa di una copertina con i dati di una pratica "
                   "occorre, prima visualizzarla nel menu Gestione Pratiche !..................");
inline const QString kCoverNeedsPractice =
    QStringLiteral(" Bisogna prima selezionare una Pratica dall' Elenco..................");

// The label.
inline const QString kLabelFields =
    QStringLiteral(" ERRORE- Occorre SELEZIONARE UNA PRATICA e i  Campi N°-PRATICA /CLIENTE/DATA/"
                   "SETTORE/FALDONE  devono essere sempre compilati !");
inline const QString kLabelNoDefaultPrinter =
    QStringLiteral(" Etichetta non stampata: non è impostata una stampante predefinita ..................");
// %1: the printer's device name.
inline QString labelNotPrinted(const QString& printer) {
    return QStringLiteral(" Etichetta non stampata sulla stampante %1 ..................").arg(printer);
}

} // namespace printing::msg
