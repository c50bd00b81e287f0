// Prints the cover sheet, practice list pages, the binder and sector lists,
// a client list page, the search results, the ledger lists and a label (after
// a binder list zoomed to 400) of a sample office into PDF files, and draws
// the printer-choice form, for a look at how they come out; a practice list
// abandoned at the zoom box must print no page at all:
//   printing_pages OUTPUT_FOLDER   (then pdftoppm -png).
// Not run by ctest.

#include "printtest.h"

#include "app/form1.h"
#include "ledger/ledgerpanel.h"
#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "printing/stampap.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>

using testsupport::control;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        fprintf(stderr, "usage: printing_pages OUTPUT_FOLDER\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    prt::RecordingPrinters printers;
    testsupport::AppFixture fx;
    fx.writeWorkbook([](xl::Workbook& b) {
        xl::Worksheet& p = b.Sheets(QStringLiteral("Pratica"));
        const char* clients[] = {"ROSSI MARIO", "BIANCHI SRL", "VERDI ANNA", "STUDIO NERI & ASSOCIATI"};
        for (int i = 1; i <= 70; ++i) {
            const int r = i + 1;
            p.Cells(r, 1).SetValue(xl::Value(i));
            p.Cells(r, 2).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 1, 1).addDays(i * 3))));
            p.Cells(r, 3).SetValue(QString::fromUtf8(clients[i % 4]));
            p.Cells(r, 4).SetValue(QStringLiteral("Ricorso n. %1").arg(i));
            p.Cells(r, 5).SetValue(QStringLiteral("Descrizione della pratica %1").arg(i));
            p.Cells(r, 6).SetValue(i % 3 ? QStringLiteral("CIVILE") : QStringLiteral("PENALE"));
            p.Cells(r, 7).SetValue(QStringLiteral("Arm.%1").arg(i % 5));
            p.Cells(r, 8).SetValue(QString::number(i % 7 + 1));
            p.Cells(r, i % 2 ? 9 : 10).SetValue(QStringLiteral("SI"));
            p.Cells(r, 11).SetValue(QStringLiteral("Nota %1").arg(i));
            p.Cells(r, 12).SetValue(QStringLiteral("1.%1,00").arg((i % 10) * 100, 3, 10, QLatin1Char('0')));
        }
        xl::Worksheet& c = b.Sheets(QStringLiteral("Cliente"));
        for (int i = 1; i <= 12; ++i) {
            c.Cells(i + 1, 1).SetValue(xl::Value(i));
            c.Cells(i + 1, 2).SetValue(QStringLiteral("CLIENTE NUMERO %1").arg(i));
            c.Cells(i + 1, 5).SetValue(QStringLiteral("Via Roma %1").arg(i));
            c.Cells(i + 1, 6).SetValue(QStringLiteral("00100"));
            c.Cells(i + 1, 7).SetValue(QStringLiteral("Roma"));
            c.Cells(i + 1, 8).SetValue(QStringLiteral("RM"));
            c.Cells(i + 1, 9).SetValue(QStringLiteral("06 1234567"));
            c.Cells(i + 1, 12).SetValue(QStringLiteral("cliente%1@esempio.it").arg(i));
        }
        xl::Worksheet& v = b.Sheets(QStringLiteral("Varie"));
        for (int i = 1; i <= 7; ++i) {
            v.Cells(i + 1, 1).SetValue(QString::number(i));
            v.Cells(i + 1, 2).SetValue(QStringLiteral("Faldone delle pratiche %1").arg(i));
            v.Cells(i + 1, 3).SetValue(QStringLiteral("scaffale %1").arg(i));
        }
        v.Cells(2, 5).SetValue(QStringLiteral("CIVILE"));
        v.Cells(2, 6).SetValue(QStringLiteral("Diritto civile"));
        v.Cells(3, 5).SetValue(QStringLiteral("PENALE"));
        xl::Worksheet& e = b.Sheets(QStringLiteral("Spese"));
        for (int i = 1; i <= 9; ++i) {
            const bool advance = i % 3 == 1;
            e.Cells(i + 1, 1).SetValue(xl::Value(i));
            e.Cells(i + 1, 2).SetValue(xl::Value(i % 2 ? 1 : 2));
            e.Cells(i + 1, 3).SetValue(QString::fromUtf8(clients[(i % 2 ? 1 : 2) % 4]));
            e.Cells(i + 1, 4).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 2, 1).addDays(i))));
            e.Cells(i + 1, 5).SetValue(advance ? QStringLiteral("Acconto %1").arg(i)
                                               : QStringLiteral("Spese di notifica %1").arg(i));
            e.Cells(i + 1, 6).SetValue(advance ? QStringLiteral("A") : QStringLiteral("S"));
            e.Cells(i + 1, 7).SetValue(advance ? QStringLiteral("500,00") : QStringLiteral("-%1,50").arg(i * 10));
        }
        e.Cells(1, 256).SetValue(xl::Value(10));
    });
    if (!fx.start()) return 1;
    Form1& f = fx.form();
    auto& d = fx.dialogs();
    auto save = [&](const QString& name) {
        const QString from = printers.jobs.back().pdf;
        QFile::remove(out + QLatin1Char('/') + name);
        QFile::copy(from, out + QLatin1Char('/') + name);
    };

    f.MenuPratiche_Click();
    QWidget* pp = control<PracticePanel>(&f, "Frame1");
    control<QLineEdit>(pp, "Text1")->setText(QStringLiteral("12"));
    control<QLineEdit>(pp, "Text2")->setText(QStringLiteral("15/03/2024"));
    control<QComboBox>(pp, "Combo1")->setEditText(QStringLiteral("ROSSI MARIO"));
    control<QLineEdit>(pp, "Text3")->setText(QStringLiteral("Ricorso al TAR contro il diniego del permesso"));
    control<MultiLineTextBox>(pp, "Text4")
        ->setText(QStringLiteral("Impugnazione del provvedimento di diniego, con domanda cautelare e richiesta "
                                 "di accesso agli atti del procedimento."));
    control<QComboBox>(pp, "Combo2")->setEditText(QStringLiteral("CIVILE"));
    control<QLineEdit>(pp, "Text5")->setText(QStringLiteral("Armadio 2"));
    control<QComboBox>(pp, "Combo3")->setEditText(QStringLiteral("3"));
    control<QCheckBox>(pp, "Check2")->setChecked(true);
    control<MultiLineTextBox>(pp, "Text6")
        ->setText(QStringLiteral("Udienza fissata per il 12/06/2024.\r\nAllegato:-ricorso.bmp"));
    control<QLineEdit>(pp, "Text37")->setText(QStringLiteral("1.500,00"));

    // The form as it opens: the placeholder in a list that can only be picked from.
    f.requestPrint(StampaP::BinderList);
    f.stampaP()->grab().save(out + QStringLiteral("/stampap-nuova.png"));
    f.stampaP()->hide();

    d.expectQuestion(QString(), false);
    f.MnCoopertina_Click();
    control<QComboBox>(f.stampaP(), "Combo1")->setCurrentIndex(0);
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("copertina.pdf"));

    f.requestPrint(StampaP::PracticeList);
    f.stampaP()->grab().save(out + QStringLiteral("/stampap.png"));
    d.expectInput(QString(), QStringLiteral("100")).expectQuestion(QString(), false).expectQuestion(QString(), true);
    d.expectQuestion(QString(), true);
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("pratiche-2.pdf"));
    QFile::remove(out + QStringLiteral("/pratiche.pdf"));
    QFile::copy(printers.jobs[printers.jobs.size() - 2].pdf, out + QStringLiteral("/pratiche.pdf"));

    f.requestPrint(StampaP::BinderList);
    d.expectInput(QString(), QStringLiteral("100"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("faldoni.pdf"));

    f.requestPrint(StampaP::SectorList);
    d.expectInput(QString(), QStringLiteral("100"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("settori.pdf"));
    f.stampaP()->hide();

    f.requestPrint(StampaP::ClientList);
    d.expectInput(QString(), QStringLiteral("60")).expectQuestion(QString(), true);
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("clienti.pdf"));

    f.requestPrint(StampaP::BinderList);
    d.expectInput(QString(), QStringLiteral("400"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("faldoni-400.pdf"));

    control<QPushButton>(pp, "Command200")->click();
    save(QStringLiteral("etichetta.pdf"));

    // Annulla at the zoom box: no job at all.
    const std::size_t jobsBefore = printers.jobs.size();
    f.requestPrint(StampaP::PracticeList);
    d.expectInput(QString(), QString());
    control<QPushButton>(f.stampaP(), "Command1")->click();
    if (printers.jobs.size() != jobsBefore) {
        fprintf(stderr, "a practice list abandoned at the zoom box printed\n");
        return 1;
    }
    f.stampaP()->hide();

    // The practices in preparation, then those of one client.
    f.MenuPratiche_Click();
    control<QPushButton>(&f, "Frame1", "cmd14")->click();
    control<QCheckBox>(&f, "Frame6", "Check8")->setChecked(true);
    control<QPushButton>(&f, "Frame6", "Command18")->click();
    d.expectInput(QString(), QStringLiteral("80"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("istruttoria.pdf"));
    control<QCheckBox>(&f, "Frame6", "Check8")->setChecked(false);
    control<QComboBox>(&f, "Frame6", "Combo7")->setEditText(QStringLiteral("ROSSI MARIO"));
    control<QLineEdit>(&f, "Frame6", "Text27")->setText(QStringLiteral("1"));
    control<QPushButton>(&f, "Frame6", "Command22")->click();
    control<QPushButton>(&f, "Frame6", "Command18")->click();
    d.expectInput(QString(), QStringLiteral("100"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("ricerca-cliente.pdf"));
    control<QPushButton>(&f, "Frame6", "Command16")->click();

    // A ledger query by practice, then the whole ledger.
    f.MenuPratiche_Click();
    control<QPushButton>(&f, "Frame1", "Command28")->click();
    QWidget* lp = control<LedgerPanel>(&f, "Frame8");
    control<QCheckBox>(lp, "Check11")->setChecked(true);
    control<QComboBox>(lp, "Combo8")->setCurrentIndex(control<QComboBox>(lp, "Combo8")->findText(QStringLiteral("1")));
    emit control<QComboBox>(lp, "Combo8")->activated(control<QComboBox>(lp, "Combo8")->currentIndex());
    control<QPushButton>(lp, "Command31")->click();
    d.expectInput(QString(), QStringLiteral("100"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("acconti-pratica.pdf"));
    control<QCheckBox>(lp, "Check15")->setChecked(true);
    control<QPushButton>(lp, "Command31")->click();
    d.expectInput(QString(), QStringLiteral("100"));
    control<QPushButton>(f.stampaP(), "Command1")->click();
    save(QStringLiteral("acconti-tutti.pdf"));
    const QString why = d.verify();
    if (!why.isEmpty()) fprintf(stderr, "%s\n", qPrintable(why));
    return why.isEmpty() ? 0 : 1;
}
