// What the reference panels decide from their combo boxes: which entry
// counts as chosen (and so which record row), and how a list is filled again.

#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "reference/choice.h"
#include "store/book.h"
#include "store/clientsheet.h"

#include <QComboBox>
#include <QtTest>

#include <random>

class TestRecords : public QObject {
    Q_OBJECT
private slots:
    void chosenEntryMustStillReadAsItself() {
        QComboBox box;
        box.setEditable(true);
        box.setInsertPolicy(QComboBox::NoInsert);
        QCOMPARE(refdata::chosenIndex(&box), -1); // empty list
        box.addItems({QStringLiteral("ROSSI"), QStringLiteral("BIANCHI")});
        box.setCurrentIndex(1);
        QCOMPARE(refdata::chosenIndex(&box), 1);
        QCOMPARE(refdata::chosenRow(&box), 3);
        // Typed over: Qt keeps entry 1 current, but the text names no entry.
        box.setEditText(QStringLiteral("BIANCHI S.R.L."));
        QCOMPARE(box.currentIndex(), 1);
        QCOMPARE(refdata::chosenIndex(&box), -1);
        QCOMPARE(refdata::chosenRow(&box), 0);
        // Another entry's text typed over the current one is not a choice either.
        box.setEditText(QStringLiteral("ROSSI"));
        QCOMPARE(refdata::chosenIndex(&box), -1);
        box.setEditText(QString());
        QCOMPARE(refdata::chosenIndex(&box), -1);
    }

    void listStopsAtTheFirstEmptyCell() {
        xl::Application app;
        auto wb = std::make_unique<xl::Workbook>();
        xl::Worksheet& s = wb->AddSheet(QStringLiteral("Cliente"));
        app.adopt(std::move(wb));
        store::Book book(app);
        s.Cells(1, 2).SetValue(xl::Value::text(QStringLiteral("Ragione Sociale/Cognome Nome")));
        s.Cells(2, 2).SetValue(xl::Value::text(QStringLiteral("ROSSI")));
        s.Cells(3, 2).SetValue(xl::Value::number(12.5));
        s.Cells(5, 2).SetValue(xl::Value::text(QStringLiteral("after the gap")));
        QComboBox box;
        box.setEditable(true);
        box.addItem(QStringLiteral("stale"));
        refdata::refill(&box, store::clientNames(book));
        QCOMPARE(box.count(), 2);
        QCOMPARE(box.itemText(0), QStringLiteral("ROSSI"));
        QCOMPARE(box.itemText(1), QStringLiteral("12,5"));
        QCOMPARE(refdata::chosenIndex(&box), -1);        // filling chooses nothing
        refdata::refill(&box, store::clientNames(book)); // twice: still each once
        QCOMPARE(box.count(), 2);
    }

    // A refill that keeps the list, or the start of it, must leave the box
    // as a clear-and-fill would: same entries, same current entry and text,
    // same signals in the same order, whatever the box held; a different
    // list is rebuilt.
    void refillKeepingTheListActsAsAClearAndFill() {
        const QStringList names{QStringLiteral("ROSSI"), QStringLiteral("BIANCHI"), QStringLiteral("VERDI")};
        struct State {
            int index;
            QString text;
        };
        const std::vector<State> before{{-1, QString()},
                                        {-1, QStringLiteral("TYPED")},
                                        {0, QStringLiteral("ROSSI")},
                                        {1, QStringLiteral("OVER")},
                                        {2, QString()}};
        auto run = [&](const State& st, const QStringList& held, bool viaRefill) {
            QComboBox box;
            box.setEditable(true);
            box.addItems(held);
            box.setCurrentIndex(st.index);
            box.setEditText(st.text);
            QStringList seen;
            connect(&box, &QComboBox::editTextChanged, [&](const QString& t) { seen << "edit:" + t; });
            connect(&box, &QComboBox::currentTextChanged, [&](const QString& t) { seen << "text:" + t; });
            connect(&box, &QComboBox::currentIndexChanged, [&](int i) { seen << "index:" + QString::number(i); });
            if (viaRefill) {
                refillComboList(&box, names);
            } else {
                box.clear();
                fillComboList(&box, names);
            }
            QStringList items;
            for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
            seen << "items:" + items.join(u'|')
                 << "now:" + QString::number(box.currentIndex()) + "/" + box.currentText();
            return seen;
        };
        for (const State& st : before) {
            // The same list, the start of it (a record added since), none, a
            // longer one (a record removed since) and a different one.
            const QStringList other{QStringLiteral("ROSSI"), QStringLiteral("NERI"), QStringLiteral("VERDI")};
            for (const QStringList& held :
                 {names, names.mid(0, 2), QStringList(), names + QStringList{QStringLiteral("NERI")}, other}) {
                if (held.size() <= st.index) continue;
                const QStringList expected = run(st, held, false);
                QCOMPARE(run(st, held, true), expected);
            }
        }
    }

    // The client list keeps what it read of each block of rows, and a box
    // refilled from it compares with the list it was given last: after any
    // mix of edits to the sheet, and of changes made to the box's entries
    // by other means, both must hold what a fresh read of the column gives.
    void listFollowsEveryEdit() {
        xl::Application app;
        auto wb = std::make_unique<xl::Workbook>();
        xl::Worksheet& s = wb->AddSheet(QStringLiteral("Cliente"));
        app.adopt(std::move(wb));
        store::Book book(app);
        auto fresh = [&] {
            QStringList out;
            for (int row = 2;; ++row) {
                const QString t = vb::CStr(s.Cells(row, 2).GetValue());
                if (t.isEmpty()) return out;
                out << t;
            }
        };
        std::mt19937 rng(3);
        auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        for (int row = 2; row <= 700; ++row) s.Cells(row, 2).SetValue(xl::Value(QStringLiteral("CLIENTE %1").arg(row)));
        QComboBox box;
        box.setEditable(true);
        for (int step = 0; step < 400; ++step) {
            const int row = 2 + pick(760);
            switch (pick(9)) {
            case 0: s.Cells(row, 2).SetValue(xl::Value(QStringLiteral("NUOVO %1").arg(pick(50)))); break;
            case 1: s.Cells(row, 2).SetValue(xl::Value(double(pick(50)))); break;
            case 2: s.Cells(row, 2).SetValue(xl::Value::date(45000 + pick(30))); break;
            case 3: s.Cells(row, 2).ClearContents(); break;
            case 4: s.deleteRows(row, 1 + pick(5)); break;
            case 5: s.Cells(row, 3 + pick(30)).SetValue(xl::Value(QStringLiteral("altro"))); break;
            case 6: s.Columns(2).SetNumberFormat(pick(2) ? QStringLiteral("0.0") : QStringLiteral("dd/mm/yyyy")); break;
            case 7: s.Cells(fresh().size() + 2, 2).SetValue(xl::Value(QStringLiteral("IN CODA %1").arg(step))); break;
            default: break; // nothing changed: the list as it was
            }
            if (box.count() && pick(4) == 0) {
                const int i = pick(box.count());
                switch (pick(3)) {
                case 0: box.setItemText(i, QStringLiteral("CAMBIATO")); break;
                case 1: box.removeItem(i); break;
                default: box.insertItem(i, QStringLiteral("AGGIUNTO")); break;
                }
            }
            const QStringList expected = fresh();
            QCOMPARE(store::clientNames(book), expected);
            refdata::refill(&box, store::clientNames(book));
            QStringList items;
            for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
            QCOMPARE(items, expected);
        }
    }
};

QTEST_MAIN(TestRecords)
#include "tst_records.moc"
