// bench-ledger [ENTRIES]: times the ledger panel alone on a large ledger (queries, the list of
// every entry, modify with its save, delete); one run, no peer. The main
// window's actions at two sizes and against LibreOffice: bench-velmora.
#include "app/form1.h"
#include "ledger/ledgerpanel.h"
#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "platform/xls/xlsfile.h"
#include "practices/practicepanel.h"
#include "store/schema.h"
#include "tests/practices/practicecontrols.h"
#include "tools/common/benchui.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

// Times the ledger panel on a large ledger: the query by practice with its
// balances, the client list and the query by client, the list of every
// entry, loading and modifying an entry (with its save) and a delete.
// Run offscreen: QT_QPA_PLATFORM=offscreen bench-ledger [ENTRIES]

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int n = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 20000;
    const int practices = std::max(1, n / 10);
    QTemporaryDir dir;
    xls::registerCodec();
    bench::Silent silent;
    ui::setDialogs(&silent);
    {
        auto b = store::newStarterWorkbook();
        auto& p = b->Sheets(store::kPratica);
        for (int i = 0; i < practices; ++i) {
            p.Cells(i + 2, 1).SetValue(xl::Value(i + 1));
            p.Cells(i + 2, 3).SetValue(QStringLiteral("CLIENTE %1").arg(i % 500));
            p.Cells(i + 2, 12).SetValue(QStringLiteral("1.000,00"));
        }
        auto& s = b->Sheets(store::kSpese);
        for (int i = 0; i < n; ++i) {
            const int r = i + 2, practice = i % practices + 1;
            s.Cells(r, 1).SetValue(xl::Value(i + 1));
            s.Cells(r, 2).SetValue(xl::Value(practice));
            s.Cells(r, 3).SetValue(QStringLiteral("CLIENTE %1").arg((practice - 1) % 500));
            s.Cells(r, 4).SetValue(xl::Value::date(vb::DateSerial(QDate(2024, 1, 1).addDays(i % 300))));
            s.Cells(r, 5).SetValue(QStringLiteral("Voce %1").arg(i));
            s.Cells(r, 6).SetValue(xl::Value(i % 3 ? "S" : "A"));
            s.Cells(r, 7).SetValue(i % 3 ? QStringLiteral("-12,50") : QStringLiteral("100,00"));
        }
        s.GetRange(QStringLiteral("IV1")).SetValue(xl::Value(n + 1));
        xls::writeWorkbook(*b, dir.path() + QStringLiteral("/Pratiche.xls"), store::workbookPassword());
    }
    Form1 form(dir.path());
    if (!form.Form_Load()) return 1;
    form.show();
    form.Form_Activate();
    form.MenuPratiche_Click();
    pt::practice(&form).Command28->click();
    LedgerPanel* p = form.findChild<LedgerPanel*>(QStringLiteral("Frame8"));

    QElapsedTimer t;
    t.start();
    p->findChild<QCheckBox*>(QStringLiteral("Check11"))->setChecked(true);
    bench::choose(p->findChild<QComboBox*>(QStringLiteral("Combo8")), QString::number(practices / 2));
    const qint64 byPractice = t.restart();
    const int listed = p->findChild<ListView*>(QStringLiteral("ListView3"))->itemCount();
    p->findChild<QCheckBox*>(QStringLiteral("Check12"))->setChecked(true);
    const qint64 clientList = t.restart();
    bench::choose(p->findChild<QComboBox*>(QStringLiteral("Combo9")), QStringLiteral("CLIENTE 7"));
    const qint64 byClient = t.restart();
    const int clientRows = p->findChild<ListView*>(QStringLiteral("ListView3"))->itemCount();
    p->findChild<QCheckBox*>(QStringLiteral("Check15"))->setChecked(true);
    const qint64 all = t.restart();
    p->findChild<ListView*>(QStringLiteral("ListView3"))->selectRow(n / 2);
    p->ListView3_ItemClick();
    p->findChild<QLineEdit*>(QStringLiteral("Text34"))->setText(QStringLiteral("modificata"));
    t.restart();
    p->Command29_Click();
    const qint64 modify = t.restart();
    p->findChild<QCheckBox*>(QStringLiteral("Check15"))->setChecked(true);
    p->findChild<ListView*>(QStringLiteral("ListView3"))->selectRow(n / 3);
    p->ListView3_ItemClick();
    t.restart();
    p->findChild<QCheckBox*>(QStringLiteral("Check13"))->setChecked(true);
    const qint64 remove = t.restart();
    std::printf("%d entries, %d practices\n", n, practices);
    std::printf("query by practice %lld ms (%d rows listed)\n", byPractice, listed);
    std::printf("client list %lld ms, query by client %lld ms (%d rows)\n", clientList, byClient, clientRows);
    std::printf("list of every entry %lld ms\n", all);
    std::printf("modify with save %lld ms, delete %lld ms\n", modify, remove);
    ui::setDialogs(nullptr);
    return 0;
}
