// The date and amount formatters the panels' fields rely on.

#include "store/formatters.h"

#include <QTest>

class TestFormatters : public QObject {
    Q_OBJECT
private slots:
    void strToDate_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("writtenBack");
        QTest::newRow("six digits") << "010203"
                                    << "01/02/03"
                                    << "010203";
        QTest::newRow("eight digits") << "01022003"
                                      << "01/02/2003"
                                      << "01022003";
        QTest::newRow("dashes only") << "01-02-2003"
                                     << "01/02/2003"
                                     << "01/02/2003";
        QTest::newRow("seven digits stay") << "1022003"
                                           << "1022003"
                                           << "1022003";
        QTest::newRow("empty") << ""
                               << ""
                               << "";
        QTest::newRow("short") << "1-"
                               << "1/"
                               << "1/";
        QTest::newRow("slashes already") << "15/07/2024"
                                         << "15/07/2024"
                                         << "15/07/2024";
        QTest::newRow("one-digit day and month") << "1-2-03"
                                                 << "1/2/03"
                                                 << "1/2/03";
        QTest::newRow("slash elsewhere, eight") << "1/2/2003"
                                                << "1/2/2003"
                                                << "1/2/2003";
    }
    void strToDate() {
        QFETCH(QString, typed);
        QFETCH(QString, answer);
        QFETCH(QString, writtenBack);
        QString data = typed;
        QCOMPARE(store::StrToDate(data), answer);
        // The dashes are replaced in the caller's text itself.
        QCOMPARE(data, writtenBack);
    }

    void ctrNumD_data() {
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("text");
        QTest::newRow("grouping and two decimals") << 1234.5 << "1.234,50";
        QTest::newRow("one half") << 0.5 << "0,50";
        QTest::newRow("zero") << 0.0 << "0,00";
        QTest::newRow("negative leads with minus") << -1234.5 << "-1.234,50";
        QTest::newRow("millions") << 1234567.891 << "1.234.567,89";
        QTest::newRow("rounds half up") << 2.675 << "2,68";
        QTest::newRow("tiny negative is zero") << -0.001 << "0,00";
        QTest::newRow("just under half a cent") << 0.004999999 << "0,00";
        QTest::newRow("whole") << 100.0 << "100,00";
    }
    void ctrNumD() {
        QFETCH(double, amount);
        QFETCH(QString, text);
        QCOMPARE(store::CtrNumD(amount), text);
    }

    void ctrNumDFromText() {
        // What an amount field holds, converted with Italian settings.
        QCOMPARE(store::CtrNumD(QStringLiteral("1.234,5")), QStringLiteral("1.234,50"));
        QCOMPARE(store::CtrNumD(QStringLiteral("  12,3 ")), QStringLiteral("12,30"));
        QCOMPARE(store::CtrNumD(QStringLiteral("-7")), QStringLiteral("-7,00"));
        // Not a number: empty, nothing else.
        QCOMPARE(store::CtrNumD(QStringLiteral("abc")), QString());
        QCOMPARE(store::CtrNumD(QString()), QString());
        QCOMPARE(store::CtrNumD(std::numeric_limits<double>::infinity()), QString());
        QCOMPARE(store::CtrNumD(std::numeric_limits<double>::quiet_NaN()), QString());
    }

    void ctrNumDIgnoresMachineLocale() {
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        const QString text = store::CtrNumD(1234.5);
        QLocale::setDefault(before);
        QCOMPARE(text, QStringLiteral("1.234,50"));
    }
};

QTEST_GUILESS_MAIN(TestFormatters)
#include "tst_formatters.moc"
