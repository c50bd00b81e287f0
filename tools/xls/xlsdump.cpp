// xlsdump FILE [PASSWORD]: prints a workbook's sheets and non-empty cells,
// tab-separated (address, type, value, number format, displayed text), in
// sheet order. A developer tool; exits non-zero with a one-line reason.

#include "platform/engine/numberformat.h"
#include "platform/xls/xlsfile.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

const char* typeName(xl::ValueType t) {
    switch (t) {
    case xl::ValueType::Empty: return "empty";
    case xl::ValueType::Text: return "text";
    case xl::ValueType::Number: return "number";
    case xl::ValueType::Date: return "date";
    case xl::ValueType::Boolean: return "boolean";
    case xl::ValueType::Error: return "error";
    }
    return "?";
}

QString rawValue(const xl::Value& v) {
    switch (v.type()) {
    case xl::ValueType::Text: return v.textValue();
    case xl::ValueType::Number:
    case xl::ValueType::Date: return QString::number(v.numberValue(), 'g', 17);
    case xl::ValueType::Boolean: return v.booleanValue() ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
    case xl::ValueType::Error: return QStringLiteral("#%1").arg(v.errorCode());
    case xl::ValueType::Empty: break;
    }
    return {};
}

// Tabs and line breaks inside a text would break the one-line-per-cell form.
QString escaped(QString s) {
    s.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    s.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    s.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    s.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return s;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: xlsdump FILE [PASSWORD]\n");
        return 2;
    }
    QTextStream out(stdout);
    out.setEncoding(QStringConverter::Utf8);
    try {
        auto book = xls::readWorkbook(args[1], args.size() == 3 ? args[2] : QString());
        for (int i = 1; i <= book->SheetCount(); ++i) {
            const xl::Worksheet& ws = book->Sheets(i);
            out << "sheet\t" << escaped(ws.Name()) << '\n';
            for (int r = 1; r <= ws.usedRows(); ++r) {
                const xl::RowInfo* ri = ws.rowInfo(r);
                for (int c = 1; c <= int(ri->cells.size()); ++c) {
                    const xl::Cell& cell = ri->cells[std::size_t(c - 1)];
                    if (cell.value.isEmpty()) continue;
                    const QString fmt = book->style(cell.style).numberFormat;
                    xl::Value v = cell.value;
                    if (v.type() == xl::ValueType::Number && xl::isDateFormat(fmt))
                        v = xl::Value::date(v.numberValue());
                    out << xl::columnLetters(c) << r << '\t' << typeName(v.type()) << '\t' << escaped(rawValue(v))
                        << '\t' << escaped(fmt) << '\t' << escaped(xl::formatValue(v, fmt)) << '\n';
                }
            }
        }
    } catch (const std::exception& e) {
        out.flush();
        std::fprintf(stderr, "xlsdump: %s\n", e.what());
        return 1;
    }
    return 0;
}
