// The exact amount type: reading Italian texts, exact sums, the two written
// forms and the refusal of what a spreadsheet cannot keep.

#include "store/formatters.h"
#include "store/money.h"

#include <QTest>

using store::Money;

class TestMoney : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void refusals_data();
    void refusals();
    void sumsAreExact();
    void cellNumbers_data();
    void cellNumbers();
    void amountForm();
};

void TestMoney::parse_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint64>("cents");
    QTest::addColumn<QString>("grouped");
    QTest::addColumn<QString>("general");
    QTest::newRow("thousands typed") << "1.500,50" << qint64(150050) << "1.500,50"
                                     << "1500,5";
    QTest::newRow("expense") << "-200,00" << qint64(-20000) << "-200,00"
                             << "-200";
    QTest::newRow("one decimal") << "12,5" << qint64(1250) << "12,50"
                                 << "12,5";
    QTest::newRow("ten cents") << "0,10" << qint64(10) << "0,10"
                               << "0,1";
    QTest::newRow("pasted thousands") << " 1.234,56 " << qint64(123456) << "1.234,56"
                                      << "1234,56";
    QTest::newRow("millions") << "1.234.567" << qint64(123456700) << "1.234.567,00"
                              << "1234567";
    QTest::newRow("whole") << "650" << qint64(65000) << "650,00"
                           << "650";
    QTest::newRow("plus sign") << "+7" << qint64(700) << "7,00"
                               << "7";
    QTest::newRow("euro after") << "1.500,50 €" << qint64(150050) << "1.500,50"
                                << "1500,5";
    QTest::newRow("euro before") << "€ 1.234,50" << qint64(123450) << "1.234,50"
                                 << "1234,5";
    QTest::newRow("euro after the sign") << "-€12" << qint64(-1200) << "-12,00"
                                         << "-12";
    QTest::newRow("comma before decimals") << "12," << qint64(1200) << "12,00"
                                           << "12";
    QTest::newRow("minus zero") << "-0,00" << qint64(0) << "0,00"
                                << "0";
    QTest::newRow("past the cent, half up") << "2,675" << qint64(268) << "2,68"
                                            << "2,68";
    QTest::newRow("past the cent, down") << "0,004999999" << qint64(0) << "0,00"
                                         << "0";
    QTest::newRow("negative half away") << "-0,125" << qint64(-13) << "-0,13"
                                        << "-0,13";
    QTest::newRow("fifteen digits") << "9.999.999.999.999,99" << qint64(999999999999999) << "9.999.999.999.999,99"
                                    << "9999999999999,99";
    QTest::newRow("fifteen whole digits") << "999999999999999" << qint64(99999999999999900) << "999.999.999.999.999,00"
                                          << "999999999999999";
}

void TestMoney::parse() {
    QFETCH(QString, text);
    QFETCH(qint64, cents);
    QFETCH(QString, grouped);
    QFETCH(QString, general);
    const std::optional<Money> m = Money::parse(text);
    QVERIFY(m);
    QCOMPARE(m->cents(), cents);
    QCOMPARE(m->grouped(), grouped);
    QCOMPARE(m->general(), general);
    // The grouped form is the one the amount boxes have always shown.
    QCOMPARE(m->grouped(), store::CtrNumD(m->toDouble()));
    // Both forms read back as the same amount.
    QCOMPARE(Money::parse(m->grouped())->cents(), cents);
    QCOMPARE(Money::parse(m->general())->cents(), cents);
}

void TestMoney::refusals_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("why");
    const int no = int(Money::Refusal::NotAnAmount), tooLong = int(Money::Refusal::TooLong);
    QTest::newRow("empty") << "" << no;
    QTest::newRow("blanks") << "   " << no;
    QTest::newRow("words") << "dieci" << no;
    QTest::newRow("sign alone") << "-" << no;
    QTest::newRow("comma alone") << "," << no;
    QTest::newRow("two commas") << "1,2,3" << no;
    QTest::newRow("point as decimal") << "1500.5" << no;
    QTest::newRow("group of two") << "1.23,00" << no;
    QTest::newRow("leading point") << ".500" << no;
    QTest::newRow("point in decimals") << "1,5.0" << no;
    QTest::newRow("sign inside") << "12-" << no;
    QTest::newRow("exponent") << "1E+17" << no;
    QTest::newRow("euro alone") << "€" << no;
    QTest::newRow("euro twice") << "€ 12 €" << no;
    QTest::newRow("euro inside") << "12 € 50" << no;
    QTest::newRow("seventeen nines") << "99999999999999999" << tooLong;
    QTest::newRow("sixteen digits with cents") << "99999999999999,99" << tooLong;
    QTest::newRow("sixteen whole digits") << "1.000.000.000.000.000" << tooLong;
    QTest::newRow("rounded up to sixteen") << "999999999999999,995" << tooLong;
    QTest::newRow("past any integer") << "123456789012345678901234567890" << tooLong;
}

void TestMoney::refusals() {
    QFETCH(QString, text);
    QFETCH(int, why);
    Money::Refusal reason{};
    QVERIFY(!Money::parse(text, &reason));
    QCOMPARE(int(reason), why);
}

void TestMoney::sumsAreExact() {
    const auto m = [](const char* t) { return *Money::parse(QString::fromLatin1(t)); };
    // What a sum of doubles leaves as -5,68989300120393E-15.
    const Money settled = m("100,10") + m("-100,00") + m("-0,10");
    QVERIFY(settled.isZero());
    QCOMPARE(settled.general(), QStringLiteral("0"));
    QCOMPARE(settled.grouped(), QStringLiteral("0,00"));
    const std::vector<Money> entries{m("900"), m("-200"), m("-50")};
    QCOMPARE(Money::sum(entries).general(), QStringLiteral("650"));
    QCOMPARE((m("300,00") + Money::sum(entries)).general(), QStringLiteral("950"));
    QCOMPARE((m("0,1") - m("0,3")).general(), QStringLiteral("-0,2"));
    QCOMPARE((m("1884,50") + m("0,06")).general(), QStringLiteral("1884,56"));
    QCOMPARE(-m("12,5"), m("-12,50"));
    QVERIFY(m("-0,01") < Money());
    // Ten thousand ten cents are a thousand euros on the nose.
    Money total;
    for (int i = 0; i < 10000; ++i) total += m("0,10");
    QCOMPARE(total.general(), QStringLiteral("1000"));
    // A sum can grow past what a cell keeps; it says so.
    const Money big = m("999999999999999");
    QVERIFY(big.keepsExactly());
    QVERIFY(!(big + m("0,01")).keepsExactly());
    QCOMPARE((big + m("0,01")).general(), QStringLiteral("999999999999999,01"));
    // Past 64 bits it stops at the limit instead of wrapping round.
    const Money top = Money::fromCents(std::numeric_limits<qint64>::max());
    QCOMPARE((top + m("0,01")).cents(), top.cents());
    QCOMPARE((-top - m("1")).cents(), std::numeric_limits<qint64>::min());
    QVERIFY(!(top + m("0,01")).keepsExactly());
}

void TestMoney::cellNumbers_data() {
    QTest::addColumn<double>("number");
    QTest::addColumn<QString>("general");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("ten cents") << 0.1 << "0,1";
    QTest::newRow("binary remainder") << -5.68989300120393e-15 << "0";
    QTest::newRow("sum of doubles") << (100.1 - 100.0) << "0,1";
    QTest::newRow("shown half up") << 2.675 << "2,68";
    QTest::newRow("negative") << -1884.56 << "-1884,56";
    QTest::newRow("large") << 1234567890123.45 << "1234567890123,45";
}

void TestMoney::cellNumbers() {
    QFETCH(double, number);
    QFETCH(QString, general);
    const std::optional<Money> m = Money::fromDouble(number);
    QVERIFY(m);
    QCOMPARE(m->general(), general);
    // Back into a cell and out again: the same amount.
    QCOMPARE(Money::fromDouble(m->toDouble())->cents(), m->cents());
}

void TestMoney::amountForm() {
    // The "#,0.00" the boxes show, from an amount, a typed text and a cell's
    // number alike.
    QCOMPARE(store::CtrNumD(Money::fromCents(-123450)), QStringLiteral("-1.234,50"));
    QCOMPARE(store::CtrNumD(Money()), QStringLiteral("0,00"));
    QCOMPARE(store::CtrNumD(Money::fromCents(99999999999999999)), QStringLiteral("999.999.999.999.999,99"));
    QCOMPARE(store::CtrNumD(QStringLiteral("1.500")), QStringLiteral("1.500,00"));
    QCOMPARE(store::CtrNumD(QStringLiteral("-0,004")), QStringLiteral("0,00"));
    QCOMPARE(store::CtrNumD(1884.565), QStringLiteral("1.884,57"));
}

QTEST_APPLESS_MAIN(TestMoney)
#include "tst_money.moc"
