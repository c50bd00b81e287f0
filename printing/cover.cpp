// The cover sheet of a practice: the menu item that asks for it, and the
// printout that fills column B of sheet "Copertina" from the practice panel
// (or empties it) and prints the template's fixed area.

#include "platform/desktop/controls.h"
#include "app/form1.h"
#include "platform/desktop/dialogs.h"
#include "practices/practicepanel.h"
#include "printing/printers.h"
#include "printing/stampap.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

namespace {
const QString kTitle = QStringLiteral("Velmora");

// A cover with data needs the practice panel shown with a practice in it;
// when it is not there, the user is told why and false is answered.
bool practiceForCover(Form1& form) {
    if (!form.practiceShown()) {
        ui::dialogs().message(QStringLiteral(" Per procedere alla stampa di una copertina con i dati di una pratica "
                                             "occorre, prima visualizzarla nel menu Gestione Pratiche !.................."),
                              kTitle, ui::MsgIcon::Information);
        return false;
    }
    if (form.shownPracticeNumber().isEmpty()) {
        ui::dialogs().message(QStringLiteral(" Bisogna prima selezionare una Pratica dall' Elenco.................."),
                              kTitle, ui::MsgIcon::Information);
        return false;
    }
    return true;
}
} // namespace

void Form1::MnCoopertina_Click() {
    if (ui::dialogs().question(QStringLiteral(" Vuoi stampare la copertina senza dati ?.................."), kTitle)) {
        requestPrint(StampaP::BlankCover);
        return;
    }
    if (practiceForCover(*this)) requestPrint(StampaP::FilledCover);
}

void StampaP::PrintCover(bool filled) {
    xl::Worksheet* found = form.Excel.hasWorkbook() ? form.Excel.ActiveWorkbook().findSheet(QStringLiteral("Copertina")) : nullptr;
    if (!found) return;
    // The panel read at the press may no longer show the practice that was
    // there at the request.
    if (filled && !practiceForCover(form)) return;
    xl::Worksheet& sh = *found;
    auto set = [&sh](const char* cell, const QString& text) {
        try {
            sh.GetRange(QString::fromLatin1(cell)).SetValue(xl::Value(text));
        } catch (...) {
        }
    };
    if (!filled) {
        for (const char* cell : {"B8", "B9", "B1", "B2", "B3", "B5", "B6", "B7", "B10", "B11", "B12", "B14"})
            set(cell, QString());
    } else {
        // The texts the panel shows at the press, saved or not.
        const PracticePanel* p = form.Frame1;
        set("B8", QString());
        set("B9", QString());
        set("B1", p->Text1->text());
        set("B2", p->Combo1->currentText());
        set("B3", p->Text2->text());
        set("B5", p->Combo2->currentText());
        set("B6", p->Text5->text());
        set("B7", p->Combo3->currentText());
        set("B8", p->Check2->isChecked() ? QStringLiteral("SI") : QStringLiteral("NO"));
        set("B9", p->Check3->isChecked() ? QStringLiteral("SI") : QStringLiteral("NO"));
        set("B10", p->Text3->text());
        set("B11", p->Text4->text());
        set("B12", p->Text6->text());
        set("B14", p->Text37->text());
    }
    sh.Select();
    sh.GetRange(QStringLiteral("A1:B33")).Select();
    sh.GetPageSetup().SetPrintArea(QStringLiteral("$A$1:$B$31"));
    printout::Request rq;
    rq.copies = 1;
    if (send(sh, rq)) hide();
}
