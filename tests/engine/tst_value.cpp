// Cell values and the cell itself: a value copies, moves and compares as the
// plain record it stands for, whatever it holds, and a cell stays small, since
// a workbook holds hundreds of thousands of them.

#include "platform/engine/workbook.h"

#include <QtTest>
#include <cmath>
#include <thread>
#include <vector>

namespace {

// A cell is its value (a word and a tag), its format, its fitted width and
// one pointer for the rare formula.
static_assert(sizeof(xl::Value) <= 16);
static_assert(sizeof(xl::Cell) <= 32);
static_assert(std::is_nothrow_move_constructible_v<xl::Cell>);

} // namespace

class TestValue : public QObject {
    Q_OBJECT
private slots:
    void kindsAndReadings() {
        const xl::Value empty;
        QVERIFY(empty.isEmpty());
        QCOMPARE(empty.numberValue(), 0.0);
        QVERIFY(empty.textValue().isEmpty());

        const xl::Value text(QStringLiteral("Pratica 12"));
        QVERIFY(text.isText() && !text.isNumeric());
        QCOMPARE(text.textValue(), QStringLiteral("Pratica 12"));
        QCOMPARE(text.numberValue(), 0.0); // a text reads as no number

        const xl::Value date = xl::Value::date(45000.5);
        QVERIFY(date.isDate() && date.isNumeric());
        QCOMPARE(date.numberValue(), 45000.5);
        QVERIFY(date.textValue().isEmpty());

        QVERIFY(xl::Value::boolean(true).booleanValue());
        QVERIFY(!xl::Value::boolean(false).booleanValue());
        QCOMPARE(xl::Value::error(0x2A).errorCode(), std::uint8_t(0x2A));
        QCOMPARE(xl::Value("è").textValue(), QStringLiteral("è"));
        QCOMPARE(xl::Value(7).numberValue(), 7.0);
    }

    void equality() {
        QCOMPARE(xl::Value(QStringLiteral("a")), xl::Value(QStringLiteral("a")));
        QVERIFY(!(xl::Value(QStringLiteral("a")) == xl::Value(QStringLiteral("b"))));
        QVERIFY(!(xl::Value(QString()) == xl::Value()));        // an empty text is not an empty cell
        QVERIFY(!(xl::Value(1.0) == xl::Value::date(1.0)));     // the kind counts
        QVERIFY(!(xl::Value(1.0) == xl::Value::boolean(true))); // so does it here
        QVERIFY(!(xl::Value(0.0) == xl::Value(QStringLiteral("0"))));
        QVERIFY(!(xl::Value(std::nan("")) == xl::Value(std::nan(""))));
        QCOMPARE(xl::Value(-0.0), xl::Value(0.0));
        QVERIFY(std::signbit(xl::Value(-0.0).numberValue()));
    }

    // Copies share the text; each copy, assignment and move leaves both
    // sides whole, into and out of every kind.
    void copiesAndMoves() {
        xl::Value a(QStringLiteral("testo condiviso"));
        xl::Value b = a;
        QVERIFY(a.textValue().constData() == b.textValue().constData());
        xl::Value c(3.5);
        c = a;
        QCOMPARE(c.textValue(), QStringLiteral("testo condiviso"));
        a = xl::Value(2.0);
        QCOMPARE(a.numberValue(), 2.0);
        QCOMPARE(b.textValue(), QStringLiteral("testo condiviso"));
        xl::Value d(std::move(b));
        QVERIFY(b.isEmpty()); // NOLINT: a moved-from value is empty by design
        QCOMPARE(d.textValue(), QStringLiteral("testo condiviso"));
        d = d; // NOLINT: self-assignment keeps the value
        QCOMPARE(d.textValue(), QStringLiteral("testo condiviso"));
        d = std::move(c);
        QCOMPARE(d.textValue(), QStringLiteral("testo condiviso"));
        c = xl::Value::date(10);
        QVERIFY(c.isDate());
        std::vector<xl::Value> many(1000, d);
        many.resize(5000, xl::Value(1.0)); // the vector moves them as it grows
        QCOMPARE(many[999].textValue(), QStringLiteral("testo condiviso"));
        QCOMPARE(many[4999].numberValue(), 1.0);
    }

    // Threads copying and dropping one text, as the sheets of a file being
    // read do, leave it whole.
    void sharedAcrossThreads() {
        const xl::Value shared(QStringLiteral("stato: aperta"));
        std::vector<std::thread> pool;
        std::vector<std::vector<xl::Value>> held(4);
        for (int t = 0; t < 4; ++t)
            pool.emplace_back([&, t] {
                for (int i = 0; i < 20000; ++i) {
                    held[t].push_back(shared);
                    if (i % 3 == 0) held[t].pop_back();
                }
            });
        for (auto& t : pool) t.join();
        held.clear();
        QCOMPARE(shared.textValue(), QStringLiteral("stato: aperta"));
    }

    // The file's formula rides with the cell through copies and is dropped
    // alone by reset.
    void keptFormula() {
        auto f = std::make_shared<xl::KeptFormula>();
        f->tokens = QByteArray("\x1e\x01\x00", 3);
        xl::Cell cell;
        QVERIFY(!cell.kept && cell.kept == nullptr);
        cell.kept = f;
        xl::Cell copy = cell;
        QVERIFY(copy.kept && copy.kept.get() == f.get());
        QCOMPARE(copy.kept->tokens, f->tokens);
        QCOMPARE(copy.kept.shared().use_count(), 4L); // f, cell, copy and the one returned
        cell.kept.reset();
        QVERIFY(!cell.kept);
        QCOMPARE((*copy.kept).tokens, f->tokens);
        cell.kept = std::shared_ptr<const xl::KeptFormula>();
        QVERIFY(!cell.kept); // a null formula is none
    }
};

QTEST_GUILESS_MAIN(TestValue)
#include "tst_value.moc"
