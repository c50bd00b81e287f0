// bench-xls [FILE PASSWORD | --make FILE | --encode] [--rounds N] [--no-libreoffice] [--open-only]:
// times the file alone, opening and
// saving (with the flush to disk) a workbook of 30,000 practices, 5,000
// clients and 32,000 ledger entries, or the given file, each round paired
// with one of LibreOffice's headless load and store of the same file (its
// office started and warmed up first); medians with quartiles. What the user
// waits for on the main window is timed by bench-velmora. --encode times
// the save's encoding alone, in memory: the records, the cipher over the
// whole stream as a save runs it and record by record on one thread. The
// open's processor time over all its threads is shown beside its wall time:
// on a busy machine it tells the work done apart from the waiting. Only
// rounds that both programs finished are compared, so a peer that stops
// halfway leaves no median of more rounds against one of fewer. --open-only
// (with --no-libreoffice implied) runs the opens alone, for a profiler.

#include "platform/xls/biff.h"
#include "platform/xls/crypto.h"
#include "platform/xls/xlsfile.h"
#include "store/schema.h"
#include "tools/common/benchbook.h"
#include "tools/common/benchstats.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>

namespace {

double processSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + ts.tv_nsec / 1e9;
}

// The cipher without its block-keyed shortcut, so the stream is walked
// record by record with one keystream, as on a single core.
class OneThread : public xls::detail::StreamCipher {
public:
    explicit OneThread(xls::detail::StreamCipher& c) : c_(c) {}
    void apply(unsigned char* buf, std::size_t from, std::size_t len, std::size_t recordDataStart,
               std::size_t recordSize, bool encrypt) override {
        c_.apply(buf, from, len, recordDataStart, recordSize, encrypt);
    }

private:
    xls::detail::StreamCipher& c_;
};

int benchEncode(int rounds) {
    using namespace xls::detail;
    auto book = store::newStarterWorkbook();
    bench::fillWorkbook(*book, 30000);
    const QString password = store::workbookPassword();
    const QByteArray filePass = makeFilePass(Scheme::Rc4CryptoApi, password);
    auto info =
        parseFilePass(reinterpret_cast<const unsigned char*>(filePass.constData()), std::size_t(filePass.size()));
    auto cipher = info ? makeCipher(*info, password) : nullptr;
    if (!cipher) {
        std::fprintf(stderr, "bench-xls: no cipher\n");
        return 1;
    }
    bench::Series plain, whole, parallel, serial;
    QByteArray clear;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer t;
        t.start();
        clear = encodeWorkbookStream(*book, QString());
        plain.add(t.nsecsElapsed() / 1e9);
        t.restart();
        const QByteArray sealed = encodeWorkbookStream(*book, password);
        whole.add(t.nsecsElapsed() / 1e9);
        QByteArray a = clear;
        a.detach();
        t.restart();
        transformStream(a, *cipher, true);
        parallel.add(t.nsecsElapsed() / 1e9);
        QByteArray b = clear;
        b.detach();
        OneThread one(*cipher);
        t.restart();
        transformStream(b, one, true);
        serial.add(t.nsecsElapsed() / 1e9);
        if (a != b) {
            std::fprintf(stderr, "bench-xls: the two cipher paths differ\n");
            return 1;
        }
    }
    // The digest of the clear stream tells whether a change to the writer kept every byte.
    std::printf("stream: %.1f MB, SHA-1 %s in clear; %d rounds, medians [quartiles]\n", clear.size() / 1e6,
                QCryptographicHash::hash(clear, QCryptographicHash::Sha1).toHex().constData(), rounds);
    std::printf("records alone:        %s\n", qPrintable(plain.show(1000, "ms")));
    std::printf("records + cipher:     %s\n", qPrintable(whole.show(1000, "ms")));
    std::printf("cipher, as saved:     %s\n", qPrintable(parallel.show(1000, "ms")));
    std::printf("cipher, one thread:   %s\n", qPrintable(serial.show(1000, "ms")));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    int rounds = 7;
    const int r = args.indexOf(QStringLiteral("--rounds"));
    if (r > 0 && r + 1 < args.size()) {
        rounds = std::max(1, args[r + 1].toInt());
        args.remove(r, 2);
    }
    const bool openOnly = args.removeAll(QStringLiteral("--open-only")) > 0;
    const bool noLibreOffice = args.removeAll(QStringLiteral("--no-libreoffice")) > 0 || openOnly;
    if (args.size() == 2 && args[1] == QLatin1String("--encode")) return benchEncode(rounds);
    QTemporaryDir dir;
    QString path, password;
    if (args.size() == 3 && args[1] == QLatin1String("--make")) {
        // Only writes the generated workbook, for profiling and for peers.
        auto book = store::newStarterWorkbook();
        bench::fillWorkbook(*book, 30000);
        xls::writeWorkbook(*book, args[2], store::workbookPassword());
        return 0;
    }
    if (args.size() >= 3) {
        path = args[1];
        password = args[2];
    } else {
        path = dir.filePath(QStringLiteral("Pratiche.xls"));
        password = store::workbookPassword();
        auto book = store::newStarterWorkbook();
        bench::fillWorkbook(*book, 30000);
        xls::writeWorkbook(*book, path, password);
    }
    try {
        bench::LibreOfficePeer lo;
        bool loOn = !noLibreOffice &&
                    lo.start(QStringLiteral(VELMORA_LO_PEER), path, password, dir.filePath(QStringLiteral("lo.xls")));
        if (!loOn && !noLibreOffice) std::printf("libreoffice: not measured (%s)\n", qPrintable(lo.error()));
        const QString out = dir.filePath(QStringLiteral("salvato.xls"));
        bench::Series open, openCpu, save, loLoad, loStore;
        // Our rounds that have a LibreOffice round beside them.
        bench::Series pairedOpen, pairedSave;
        std::unique_ptr<xl::Workbook> book;
        for (int i = 0; i < rounds; ++i) {
            QElapsedTimer t;
            book.reset();
            const double cpu0 = processSeconds();
            t.start();
            book = xls::readWorkbook(path, password);
            open.add(t.nsecsElapsed() / 1e9);
            openCpu.add(processSeconds() - cpu0);
            if (openOnly) continue;
            t.restart();
            xls::writeWorkbook(*book, out, password);
            save.add(t.nsecsElapsed() / 1e9);
            double l = 0, s = 0;
            if (loOn && lo.round(&l, &s)) {
                loLoad.add(l);
                loStore.add(s);
                pairedOpen.add(open.v.back());
                pairedSave.add(save.v.back());
            } else if (loOn) {
                std::printf("libreoffice: stopped (%s)\n", qPrintable(lo.error()));
                loOn = false;
            }
        }
        std::size_t cells = 0;
        for (int i = 1; i <= book->SheetCount(); ++i) {
            const xl::Worksheet& ws = book->Sheets(i);
            for (int r = 1; r <= ws.usedRows(); ++r)
                for (const xl::Cell& c : ws.rowInfo(r)->cells) cells += !c.value.isEmpty();
        }
        std::printf("file: %s, %.1f MB, %zu cells; %d paired rounds, medians [quartiles]\n", qPrintable(path),
                    QFileInfo(path).size() / 1e6, cells, rounds);
        std::printf("velmora open:  %s (processor, all threads: %s)\nvelmora save:  %s (with fsync)\n",
                    qPrintable(open.show(1000, "ms")), qPrintable(openCpu.show(1000, "ms")),
                    qPrintable(save.show(1000, "ms")));
        if (!loLoad.empty()) {
            std::printf("libreoffice load:  %s\nlibreoffice store: %s\n", qPrintable(loLoad.show(1000, "ms", 0)),
                        qPrintable(loStore.show(1000, "ms", 0)));
            std::printf("ratios of the medians over the %zu paired rounds: open %.1fx faster, save %.1fx faster\n",
                        loLoad.v.size(), loLoad.median() / pairedOpen.median(), loStore.median() / pairedSave.median());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench-xls: %s\n", e.what());
        return 1;
    }
    return 0;
}
