// Displayed texts under number formats and the runtime's conversions, in
// Italian settings whatever the machine's locale.

#include "platform/engine/numberformat.h"
#include "platform/engine/vbconv.h"

#include <QLocale>
#include <QtTest>

using xl::Value;

class TstConversions : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        // A machine set to English must not change a single output below.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void formats_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("expected");

        QTest::newRow("general int") << "General" << 1234.0 << "1234";
        QTest::newRow("general dec") << "General" << 1234.5 << "1234,5";
        QTest::newRow("general neg") << "General" << -0.25 << "-0,25";
        QTest::newRow("general zero") << "General" << 0.0 << "0";
        QTest::newRow("general 15 digits") << "General" << 123456789012345.0 << "123456789012345";
        QTest::newRow("general large") << "General" << 1234567890123456.0 << "1,23457E+15";
        QTest::newRow("general tiny") << "General" << 1.5e-12 << "1,5E-12";
        QTest::newRow("general 1/3") << "General" << 1.0 / 3.0 << "0,333333333333333";
        QTest::newRow("general float noise") << "General" << 0.1 + 0.2 << "0,3";

        QTest::newRow("0 pos") << "0" << 1234.5 << "1235";
        QTest::newRow("0 neg") << "0" << -2.5 << "-3";
        QTest::newRow("0 zero") << "0" << 0.0 << "0";
        QTest::newRow("0 rounds to zero, no sign") << "0" << -0.2 << "0";
        QTest::newRow("0 large") << "0" << 12345678901.0 << "12345678901";

        QTest::newRow("0.00 pos") << "0.00" << 3.14159 << "3,14";
        QTest::newRow("0.00 half up") << "0.00" << 0.125 << "0,13";
        QTest::newRow("0.00 neg") << "0.00" << -1234.5 << "-1234,50";
        QTest::newRow("0.00 zero") << "0.00" << 0.0 << "0,00";
        QTest::newRow("0.00 carry") << "0.00" << 9.999 << "10,00";

        QTest::newRow("#,0.00 pos") << "#,0.00" << 1234567.891 << "1.234.567,89";
        QTest::newRow("#,0.00 small") << "#,0.00" << 12.5 << "12,50";
        QTest::newRow("#,0.00 neg") << "#,0.00" << -1500.0 << "-1.500,00";
        QTest::newRow("#,0.00 zero") << "#,0.00" << 0.0 << "0,00";
        QTest::newRow("#,0.00 below one") << "#,0.00" << 0.5 << "0,50";
        QTest::newRow("#,##0.00 same") << "#,##0.00" << 1234.0 << "1.234,00";
        QTest::newRow("#,##0.00 large") << "#,##0.00" << 987654321012.0 << "987.654.321.012,00";
        QTest::newRow("#,0.00 huge") << "#,0.00" << 1e15 << "1.000.000.000.000.000,00";
        QTest::newRow("general large neg") << "General" << -1234567890123456.0 << "-1,23457E+15";
        QTest::newRow("0 huge") << "0" << 1e20 << "100000000000000000000";
        QTest::newRow("#,### zero empty") << "#,###" << 0.0 << "";

        QTest::newRow("@ number") << "@" << 12.5 << "12,5";

        QTest::newRow("date") << "dd/mm/yyyy" << 43831.0 << "01/01/2020";
        QTest::newRow("date short") << "d/m/yy" << 43840.0 << "10/1/20";
        QTest::newRow("date leap bug") << "dd/mm/yyyy" << 60.0 << "29/02/1900";
        QTest::newRow("date after bug") << "dd/mm/yyyy" << 61.0 << "01/03/1900";
        QTest::newRow("date day zero") << "dd/mm/yyyy" << 0.0 << "00/01/1900";
        QTest::newRow("date negative") << "dd/mm/yyyy" << -1.0 << "########";
        QTest::newRow("date names") << "dddd d mmmm yyyy" << 45292.0 << "lunedì 1 gennaio 2024";
        QTest::newRow("date abbrev") << "ddd dd-mmm-yy" << 45351.0 << "gio 29-feb-24";
        QTest::newRow("time") << "h:mm:ss" << 0.5 + 1.0 / 86400 << "12:00:01";
        QTest::newRow("time minutes not months") << "hh:mm" << 0.75 << "18:00";
        QTest::newRow("date and time") << "dd/mm/yyyy hh:mm" << 43831.5 << "01/01/2020 12:00";
        QTest::newRow("am/pm") << "h AM/PM" << 0.75 << "6 PM";

        // Formats as files carry them.
        QTest::newRow("locale prefix date") << "[$-410]dd/mm/yyyy" << 43831.0 << "01/01/2020";
        QTest::newRow("locale prefix general") << "[$-410]General" << 2.5 << "2,5";
        QTest::newRow("currency sections pos") << "[$€-410] #,##0.00;[Red]-[$€-410] #,##0.00" << 1234.5 << "€ 1.234,50";
        QTest::newRow("currency sections neg")
            << "[$€-410] #,##0.00;[Red]-[$€-410] #,##0.00" << -1234.5 << "-€ 1.234,50";
        QTest::newRow("three sections zero") << "0.00;(0.00);\"zero\"" << 0.0 << "zero";
        QTest::newRow("three sections neg") << "0.00;(0.00);\"zero\"" << -2.0 << "(2,00)";
        QTest::newRow("quoted literal") << "0\" pz\"" << 3.0 << "3 pz";
        QTest::newRow("escaped literal") << "0\\%" << 3.0 << "3%";
        QTest::newRow("percent") << "0.0%" << 0.125 << "12,5%";
        QTest::newRow("thousands scale") << "#,##0," << 1234567.0 << "1.235";
        QTest::newRow("padding") << "000" << 7.0 << "007";
        QTest::newRow("optional decimals") << "0.##" << 2.5 << "2,5";
        QTest::newRow("scientific") << "0.00E+00" << 12345.0 << "1,23E+04";
        QTest::newRow("scientific small") << "0.00E+00" << 0.00012 << "1,20E-04";
        QTest::newRow("condition") << "[<100]\"basso\";\"alto\"" << 50.0 << "basso";
        QTest::newRow("condition other") << "[<100]\"basso\";\"alto\"" << 500.0 << "alto";
    }

    void formats() {
        QFETCH(QString, format);
        QFETCH(double, value);
        QFETCH(QString, expected);
        QCOMPARE(xl::formatValue(Value::number(value), format), expected);
    }

    void nonNumbers() {
        QCOMPARE(xl::formatValue(Value::text("123"), "0.00"), QString("123"));
        QCOMPARE(xl::formatValue(Value::text("abc"), "@"), QString("abc"));
        QCOMPARE(xl::formatValue(Value::text("abc"), "0;-0;0;\"<\"@\">\""), QString("<abc>"));
        QCOMPARE(xl::formatValue(Value::boolean(true), "General"), QString("VERO"));
        QCOMPARE(xl::formatValue(Value::boolean(false), "0.00"), QString("FALSO"));
        QCOMPARE(xl::formatValue(Value::error(0x07), "General"), QString("#DIV/0!"));
        QCOMPARE(xl::formatValue(Value(), "0.00"), QString());
        // A date under General still shows as a date.
        QCOMPARE(xl::formatValue(Value::date(43831), "General"), QString("01/01/2020"));
    }

    void formatClassification() {
        QVERIFY(xl::isDateFormat("dd/mm/yyyy"));
        QVERIFY(xl::isDateFormat("[$-410]d/m/yy"));
        QVERIFY(xl::isDateFormat("h:mm"));
        QVERIFY(!xl::isDateFormat("General"));
        QVERIFY(!xl::isDateFormat("#,##0.00"));
        QVERIFY(!xl::isDateFormat("\"day\" 0"));
        QVERIFY(!xl::isDateFormat("@"));
        QCOMPARE(xl::canonicalFormat("#,##0.00"), QString("#,0.00"));
        QCOMPARE(xl::canonicalFormat("[$-410]dd/mm/yyyy"), QString("dd/mm/yyyy"));
        QCOMPARE(xl::canonicalFormat("GENERAL"), QString("General"));
        QCOMPARE(xl::canonicalFormat("\"[$-410]\"0"), QString("\"[$-410]\"0"));
    }

    void serials() {
        QCOMPARE(vb::DateSerial(QDate(1900, 1, 1)), 1.0);
        QCOMPARE(vb::DateSerial(QDate(1900, 2, 28)), 59.0);
        QCOMPARE(vb::DateSerial(QDate(1900, 3, 1)), 61.0);
        QCOMPARE(vb::DateSerial(QDate(2020, 1, 1)), 43831.0);
        QCOMPARE(vb::SerialDate(61), QDate(1900, 3, 1));
        QCOMPARE(vb::SerialDate(43831.75), QDate(2020, 1, 1));
        QVERIFY(!vb::SerialDate(60).isValid()); // the day that never was
        QVERIFY(!vb::SerialDate(0).isValid());
        QVERIFY(!vb::SerialDate(-5).isValid());
        for (int y : {1900, 1904, 1999, 2000, 2024, 9999}) {
            const QDate d(y, 12, 31);
            QCOMPARE(vb::SerialDate(vb::DateSerial(d)), d);
        }
    }

    void cstr() {
        QCOMPARE(vb::CStr(Value()), QString());
        QCOMPARE(vb::CStr(Value::number(1234.5)), QString("1234,5"));
        QCOMPARE(vb::CStr(Value::number(-7)), QString("-7"));
        QCOMPARE(vb::CStr(Value::number(1234567.0)), QString("1234567"));
        QCOMPARE(vb::CStr(Value::number(0.1 + 0.2)), QString("0,3"));
        QCOMPARE(vb::CStr(Value::number(2.0 / 3.0)), QString("0,666666666666667"));
        QCOMPARE(vb::CStr(Value::number(1e15)), QString("1E+15"));
        QCOMPARE(vb::CStr(Value::text("abc")), QString("abc"));
        QCOMPARE(vb::CStr(Value::date(43831)), QString("01/01/2020"));
        QCOMPARE(vb::CStr(Value::date(43831.5)), QString("01/01/2020 12:00:00"));
        QCOMPARE(vb::CStr(Value::boolean(true)), QString("Vero"));
    }

    void cdbl_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("value");
        QTest::newRow("grouped") << "1.234,50" << true << 1234.5;
        QTest::newRow("comma") << "12,5" << true << 12.5;
        QTest::newRow("point groups") << "1500.5" << true << 15005.0;
        QTest::newRow("blanks") << "  42 " << true << 42.0;
        QTest::newRow("negative") << "-1.500,00" << true << -1500.0;
        QTest::newRow("plus") << "+3" << true << 3.0;
        QTest::newRow("trailing minus") << "5-" << true << -5.0;
        QTest::newRow("parentheses") << "(5)" << true << -5.0;
        QTest::newRow("exponent") << "1,5E3" << true << 1500.0;
        QTest::newRow("currency") << "€ 1.234,50" << true << 1234.5;
        QTest::newRow("currency after") << "12,50 €" << true << 12.5;
        QTest::newRow("only currency") << "€" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
        QTest::newRow("blank") << "   " << false << 0.0;
        QTest::newRow("word") << "abc" << false << 0.0;
        QTest::newRow("two commas") << "1,2,3" << false << 0.0;
        QTest::newRow("trailing text") << "12abc" << false << 0.0;
        QTest::newRow("lone minus") << "-" << false << 0.0;
    }

    void cdbl() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(double, value);
        const auto r = vb::CDbl(text);
        QCOMPARE(r.has_value(), valid);
        QCOMPARE(vb::IsNumeric(text), valid);
        if (valid) QCOMPARE(*r, value);
    }

    void val() {
        QCOMPARE(vb::Val("7bis"), 7.0);
        QCOMPARE(vb::Val("1 2"), 12.0);
        QCOMPARE(vb::Val("  3.5 kg"), 3.5);
        QCOMPARE(vb::Val("12,5"), 12.0); // the comma ends the number
        QCOMPARE(vb::Val("-4"), -4.0);
        QCOMPARE(vb::Val("abc"), 0.0);
        QCOMPARE(vb::Val(""), 0.0);
        QCOMPARE(vb::Val("."), 0.0);
        QCOMPARE(vb::Val("1.2.3"), 1.2);
        QCOMPARE(vb::Val("1e3x"), 1000.0);
        QCOMPARE(vb::Val("2e"), 2.0);
    }

    void cdate_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDate>("expected"); // invalid = no date
        QTest::newRow("slashes") << "25/12/2023" << QDate(2023, 12, 25);
        QTest::newRow("dashes") << "5-3-2024" << QDate(2024, 3, 5);
        QTest::newRow("dots") << "01.02.2003" << QDate(2003, 2, 1);
        QTest::newRow("two-digit 29") << "1/1/29" << QDate(2029, 1, 1);
        QTest::newRow("two-digit 30") << "1/1/30" << QDate(1930, 1, 1);
        QTest::newRow("two-digit 99") << "31/12/99" << QDate(1999, 12, 31);
        QTest::newRow("two-digit 00") << "29/02/00" << QDate(2000, 2, 29);
        QTest::newRow("bad day") << "31/04/2024" << QDate();
        QTest::newRow("not leap") << "29/02/2023" << QDate();
        QTest::newRow("month 13") << "01/13/2024" << QDate();
        QTest::newRow("letters") << "aa/bb/cc" << QDate();
        QTest::newRow("empty") << "" << QDate();
        QTest::newRow("no separator") << "25122023" << QDate();
        QTest::newRow("four parts") << "1/2/3/4" << QDate();
    }

    void cdate() {
        QFETCH(QString, text);
        QFETCH(QDate, expected);
        const auto d = vb::CDate(text);
        QCOMPARE(d.has_value(), expected.isValid());
        QCOMPARE(vb::IsDate(text), expected.isValid());
        if (d) QCOMPARE(*d, expected);
    }

    void cdateWithoutYearTakesThisYear() {
        const auto d = vb::CDate("3/4");
        QVERIFY(d);
        QCOMPARE(*d, QDate(QDate::currentDate().year(), 4, 3));
    }

    void cellEqualsText() {
        QVERIFY(vb::CellEqualsText(Value::number(17), "17"));
        QVERIFY(vb::CellEqualsText(Value::text("17"), "17"));
        QVERIFY(vb::CellEqualsText(Value::number(1234.5), "1.234,5"));
        QVERIFY(!vb::CellEqualsText(Value::number(17), "17a"));
        QVERIFY(!vb::CellEqualsText(Value::text("ABC"), "abc")); // texts compare exactly
        QVERIFY(!vb::CellEqualsText(Value::text("17 "), "17"));
        QVERIFY(vb::CellEqualsText(Value(), ""));
        QVERIFY(!vb::CellEqualsText(Value(), "0"));
        QVERIFY(vb::CellEqualsText(Value::date(43831), "01/01/2020"));
        QVERIFY(!vb::CellEqualsText(Value::date(43831), "02/01/2020"));
    }

    void row16() {
        QVERIFY(vb::fitsRow16(32767));
        QVERIFY(!vb::fitsRow16(32768));
        QVERIFY(vb::fitsRow16(-32768));
        QVERIFY(!vb::fitsRow16(-32769));
    }
};

QTEST_MAIN(TstConversions)
#include "tst_conversions.moc"
