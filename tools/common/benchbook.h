#pragma once
// The workbook every benchmark times: `practices` practices, one client for
// every six practices and sixteen ledger entries for every fifteen, in the
// shapes the program writes. Practice 1 carries exactly five ledger entries
// at every size, so a query for it returns the same rows whatever the size.

#include "platform/engine/workbook.h"
#include "store/schema.h"

#include <QString>
#include <algorithm>

namespace bench {

inline void fillWorkbook(xl::Workbook& book, int practices) {
    const int clients = std::max(1, practices / 6);
    const int entries = practices * 16 / 15;
    xl::Style date;
    date.numberFormat = QStringLiteral("dd/mm/yyyy");
    const std::uint32_t dateStyle = book.internStyle(date);
    xl::Worksheet& p = book.Sheets(store::kPratica);
    for (int i = 0; i < practices; ++i) {
        const int r = i + 2;
        p.cellRef(r, 1).value = xl::Value(QString::number(i + 1));
        p.cellRef(r, 2).value = xl::Value(40000.0 + i % 5000);
        p.cellRef(r, 2).style = dateStyle;
        p.cellRef(r, 3).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(i % clients));
        p.cellRef(r, 4).value = xl::Value(QStringLiteral("Oggetto della pratica %1").arg(i));
        p.cellRef(r, 5).value =
            xl::Value(QStringLiteral("Descrizione piuttosto lunga della pratica numero %1, con dettagli").arg(i));
        p.cellRef(r, 6).value = xl::Value(QStringLiteral("Settore %1").arg(i % 20));
        p.cellRef(r, 7).value = xl::Value(QStringLiteral("Scaffale %1").arg(i % 300));
        p.cellRef(r, 8).value = xl::Value(QString::number(i % 400));
        if (i % 3 == 0) p.cellRef(r, 9).value = xl::Value("SI");
        if (i % 4 == 0) p.cellRef(r, 10).value = xl::Value("SI");
        p.cellRef(r, 11).value = xl::Value(QStringLiteral("Nota %1").arg(i));
        p.cellRef(r, 12).value = xl::Value(QStringLiteral("%1,00").arg(i % 9000));
    }
    p.cellRef(1, 256).value = xl::Value(practices);
    xl::Worksheet& c = book.Sheets(store::kCliente);
    for (int i = 0; i < clients; ++i) {
        const int r = i + 2;
        c.cellRef(r, 1).value = xl::Value(i + 1);
        c.cellRef(r, 2).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(i));
        c.cellRef(r, 4).value = xl::Value(40000.0 + i);
        c.cellRef(r, 4).style = dateStyle;
        for (int k = 3; k <= 17; ++k)
            if (k != 4) c.cellRef(r, k).value = xl::Value(QStringLiteral("campo %1 del cliente %2").arg(k).arg(i));
    }
    c.cellRef(1, 256).value = xl::Value(clients + 1);
    xl::Worksheet& v = book.Sheets(store::kVarie);
    for (int i = 0; i < 20; ++i) {
        v.cellRef(i + 2, 1).value = xl::Value(QString::number(i + 1));
        v.cellRef(i + 2, 5).value = xl::Value(QStringLiteral("Settore %1").arg(i));
    }
    xl::Worksheet& s = book.Sheets(store::kSpese);
    for (int i = 0; i < entries; ++i) {
        const int r = i + 2;
        const int practice = i < 5 || practices < 2 ? 1 : 2 + (i - 5) % (practices - 1);
        s.cellRef(r, 1).value = xl::Value(i + 1);
        s.cellRef(r, 2).value = xl::Value(QString::number(practice));
        s.cellRef(r, 3).value = xl::Value(QStringLiteral("CLIENTE %1 SRL").arg((practice - 1) % clients));
        s.cellRef(r, 4).value = xl::Value(41000.0 + i % 3000);
        s.cellRef(r, 4).style = dateStyle;
        s.cellRef(r, 5).value = xl::Value(QStringLiteral("Spesa o acconto %1").arg(i));
        s.cellRef(r, 6).value = xl::Value(i % 2 ? "A" : "S");
        s.cellRef(r, 7).value = xl::Value(QStringLiteral("%1%2,50").arg(i % 2 ? "" : "-").arg(i % 700));
    }
    s.cellRef(1, 256).value = xl::Value(entries + 1);
}

} // namespace bench
