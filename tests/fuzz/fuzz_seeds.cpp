// Writes the fuzzer's starting corpus: workbooks the codec makes, plain and
// under each password scheme, as whole files and as bare streams.

#include "tests/codec/samples.h"

#include "platform/xls/biff.h"
#include "platform/xls/cfb.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace xls::detail;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds DIR\n");
        return 2;
    }
    QDir().mkpath(QString::fromLocal8Bit(argv[1]));
    auto book = codectest::richWorkbook(6);
    // Short strings keep the seeds small; the long ones are in the tests.
    for (int r = 1; r <= book->Sheets(1).usedRows(); ++r)
        for (xl::Cell& c : book->Sheets(1).rowInfoRef(r).cells)
            if (c.value.isText() && c.value.textValue().size() > 200)
                c.value = xl::Value(c.value.textValue().left(200));
    struct Seed {
        const char* name;
        Scheme scheme;
        std::uint32_t bits;
    };
    const Seed seeds[] = {{"plain", Scheme::None, 128},
                          {"xor", Scheme::Xor, 128},
                          {"rc4", Scheme::Rc4, 128},
                          {"capi40", Scheme::Rc4CryptoApi, 40},
                          {"capi128", Scheme::Rc4CryptoApi, 128}};
    for (const Seed& s : seeds) {
        const QString pw = s.scheme == Scheme::None ? QString() : QStringLiteral("k");
        const QByteArray stream = encodeWorkbookStream(*book, pw, {s.scheme, s.bits});
        const QByteArray file = encodeFile(*book, pw, {s.scheme, s.bits});
        for (const auto& [suffix, mode, bytes] : {std::tuple{"stream", '\1', stream}, std::tuple{"file", '\0', file}}) {
            QFile f(QStringLiteral("%1/%2-%3")
                        .arg(QString::fromLocal8Bit(argv[1]), QLatin1String(s.name), QLatin1String(suffix)));
            if (!f.open(QIODevice::WriteOnly)) return 1;
            f.putChar(mode);
            f.write(bytes);
        }
    }
    // Formulas as spreadsheet programs write them: shared, on other sheets,
    // with text results and the kinds the codec keeps as values only.
    const QByteArray formulas = codectest::formulaStream();
    const QByteArray formulaFile = writeCompound({{QStringLiteral("Workbook"), formulas}});
    for (const auto& [suffix, mode, bytes] :
         {std::tuple{"stream", '\1', formulas}, std::tuple{"file", '\0', formulaFile}}) {
        QFile f(QStringLiteral("%1/formulas-%2").arg(QString::fromLocal8Bit(argv[1]), QLatin1String(suffix)));
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.putChar(mode);
        f.write(bytes);
    }
    return 0;
}
