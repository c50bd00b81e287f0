// Saves written in the background: the file they leave is the one a save on
// the spot writes, later edits wait for the next save, several saves asked
// for while one is written become one, a failure leaves the old file whole,
// and the answer always comes on the thread that asked.

#include "platform/xls/xlsfile.h"
#include "tests/support/failing_device.h"

#include <QDir>
#include <QFile>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList leftovers(const QString& dir) {
    return QDir(dir).entryList(QStringList{QStringLiteral(".Pratiche.xls.*")}, QDir::Files | QDir::Hidden);
}

// A workbook of a few thousand rows over two sheets, with formats, bound to
// `path` with `password`.
std::unique_ptr<xl::Workbook> sampleBook(const QString& path, const QString& password) {
    auto wb = std::make_unique<xl::Workbook>();
    xl::Worksheet& p = wb->AddSheet(QStringLiteral("Pratica"));
    xl::Worksheet& c = wb->AddSheet(QStringLiteral("Cliente"));
    for (int r = 1; r <= 3000; ++r) {
        p.Cells(r, 1).SetValue(xl::Value(r));
        p.Cells(r, 2).SetValue(xl::Value::date(44000 + r % 700));
        p.Cells(r, 3).SetValue(xl::Value(QStringLiteral("CLIENTE %1 SRL").arg(r % 97)));
        if (r % 7 == 0) p.Cells(r, 12).SetValue(xl::Value(QStringLiteral("%1,50").arg(r)));
    }
    p.GetRange("L1:L3000").SetNumberFormat("@");
    c.Cells(1, 1).SetValue(xl::Value("Nome"));
    c.Cells(2, 1).SetValue(xl::Value("ROSSI MARIO"));
    wb->bind(path, password);
    return wb;
}

QString cell(const QString& path, const QString& password, int row, int col) {
    return xls::readWorkbook(path, password)->Sheets(1).Cells(row, col).Text();
}

// While it lives, every save goes through the real codec but first tells
// `started` and then waits for `go`, so a test can act while one is being
// written.
class HeldSaves {
public:
    HeldSaves() {
        xl::FileCodec codec = xl::fileCodec();
        codec.save = [this](const xl::Workbook& book, const QString& path, const QString& password) {
            started.release();
            go.acquire();
            xls::writeWorkbook(book, path, password);
        };
        xl::setFileCodec(std::move(codec));
    }
    ~HeldSaves() { xls::registerCodec(); }
    QSemaphore started, go;
};

} // namespace

class TestBackground : public QObject {
    Q_OBJECT
private slots:
    void init() { xls::registerCodec(); }

    void writesWhatASaveOnTheSpotWrites() {
        QTemporaryDir dir;
        const QString inBackground = dir.filePath(QStringLiteral("Pratiche.xls"));
        const QString onTheSpot = dir.filePath(QStringLiteral("Sincrono.xls"));
        // Without a password the file has no random salt: the bytes must match.
        auto wb = sampleBook(inBackground, QString());
        int answers = 0;
        wb->SaveInBackground([&](std::exception_ptr failure) {
            QVERIFY(!failure);
            ++answers;
        });
        wb->WaitForSave();
        QCOMPARE(answers, 1);
        QVERIFY(!wb->SavePending());
        wb->SaveAs(onTheSpot, QString(), true);
        QVERIFY(!readAll(onTheSpot).isEmpty());
        QCOMPARE(readAll(inBackground), readAll(onTheSpot));

        // With the password: the same cells read back.
        wb->bind(inBackground, QStringLiteral("Kemi4417"));
        wb->SaveInBackground({});
        wb->WaitForSave();
        wb->SaveAs(onTheSpot, QStringLiteral("Kemi4417"), true);
        auto a = xls::readWorkbook(inBackground, QStringLiteral("Kemi4417"));
        auto b = xls::readWorkbook(onTheSpot, QStringLiteral("Kemi4417"));
        for (int r = 1; r <= 3000; r += 37)
            for (int col : {1, 2, 3, 12})
                QCOMPARE(a->Sheets(1).Cells(r, col).Text(), b->Sheets(1).Cells(r, col).Text());
        QCOMPARE(a->Sheets(1).Cells(3000, 2).Text(), wb->Sheets(1).Cells(3000, 2).Text());
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    void laterEditsGoToTheNextSaveAndWaitingSavesBecomeOne() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto wb = sampleBook(path, QString());
        xl::Worksheet& ws = wb->Sheets(1);
        HeldSaves held;
        std::vector<QString> answers;
        auto answer = [&](const QString& who) {
            return [&answers, who](std::exception_ptr failure) {
                QVERIFY(!failure);
                QCOMPARE(QThread::currentThread(), qApp->thread());
                answers.push_back(who);
            };
        };
        ws.Cells(1, 2).SetValue(xl::Value("uno"));
        wb->SaveInBackground(answer(QStringLiteral("primo")));
        held.started.acquire(); // the first save is being written now
        QVERIFY(wb->SavePending());

        // Edits while it is written: not in it.
        ws.Cells(1, 2).SetValue(xl::Value("due"));
        ws.GetRange("A2:A100").EntireRow().Delete();
        wb->SaveInBackground(answer(QStringLiteral("secondo")));
        ws.Cells(1, 2).SetValue(xl::Value("tre"));
        wb->SaveInBackground(answer(QStringLiteral("terzo")));
        QVERIFY(answers.empty());

        held.go.release();      // the first save ends...
        held.started.acquire(); // ...and the one that waited starts
        QCOMPARE(cell(path, QString(), 1, 2), QStringLiteral("uno"));
        QCOMPARE(cell(path, QString(), 2, 1), QStringLiteral("2"));
        held.go.release();
        wb->WaitForSave();
        // The two that waited became one, answered once, through the later.
        QCOMPARE(answers, (std::vector<QString>{"primo", "terzo"}));
        QCOMPARE(cell(path, QString(), 1, 2), QStringLiteral("tre"));
        QCOMPARE(cell(path, QString(), 2, 1), QStringLiteral("101"));
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    void theAnswerComesFromTheEventLoop() {
        QTemporaryDir dir;
        auto wb = sampleBook(dir.filePath(QStringLiteral("Pratiche.xls")), QStringLiteral("pw"));
        bool answered = false;
        wb->SaveInBackground([&](std::exception_ptr) { answered = true; });
        QVERIFY(QTest::qWaitFor([&] { return answered; }, 20000));
        QVERIFY(!wb->SavePending());
        QCOMPARE(cell(dir.filePath(QStringLiteral("Pratiche.xls")), QStringLiteral("pw"), 3, 3),
                 QStringLiteral("CLIENTE 3 SRL"));
    }

    void aFailedWriteLeavesTheOldFileAndIsAnsweredOnce() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto wb = sampleBook(path, QStringLiteral("pw"));
        wb->Save();
        const QByteArray before = readAll(path);
        wb->Sheets(1).Cells(5, 3).SetValue(xl::Value("NUOVO"));
        int failures = 0;
        QString reason;
        {
            testsupport::FailingSaves full(4096, QStringLiteral("disco pieno"));
            wb->SaveInBackground([&](std::exception_ptr failure) {
                try {
                    if (failure) std::rethrow_exception(failure);
                } catch (const xls::FileError& e) {
                    ++failures;
                    reason = QString::fromStdString(e.what());
                    QCOMPARE(e.kind(), xls::FileErrorKind::WriteFailed);
                }
            });
            wb->WaitForSave();
        }
        QCOMPARE(failures, 1);
        QVERIFY2(reason.contains(QStringLiteral("disco pieno")), qPrintable(reason));
        QCOMPARE(readAll(path), before);
        QVERIFY(leftovers(dir.path()).isEmpty());
        // The edit is still there for the next save.
        QCOMPARE(wb->Sheets(1).Cells(5, 3).Text(), QStringLiteral("NUOVO"));
        wb->SaveInBackground({});
        wb->WaitForSave();
        QCOMPARE(cell(path, QStringLiteral("pw"), 5, 3), QStringLiteral("NUOVO"));
    }

    void saveOnTheSpotAndTheWorkbooksEndWaitForTheBackground() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Pratiche.xls"));
        auto wb = sampleBook(path, QString());
        HeldSaves held;
        wb->Sheets(1).Cells(1, 3).SetValue(xl::Value("in background"));
        bool answered = false;
        wb->SaveInBackground([&](std::exception_ptr) { answered = true; });
        held.started.acquire();
        // Let it finish in its own time; the second pass is the save below.
        held.go.release(2);
        // A save on the spot comes after it, so the file ends with the latest state.
        wb->Sheets(1).Cells(1, 3).SetValue(xl::Value("sul posto"));
        wb->Save();
        QVERIFY(answered);
        QCOMPARE(cell(path, QString(), 1, 3), QStringLiteral("sul posto"));

        // The end of the workbook waits for a save being written, and answers it.
        wb->Sheets(1).Cells(1, 3).SetValue(xl::Value("ultimo"));
        answered = false;
        wb->SaveInBackground([&](std::exception_ptr failure) { answered = !failure; });
        held.go.release();
        wb.reset();
        QVERIFY(answered);
        QCOMPARE(cell(path, QString(), 1, 3), QStringLiteral("ultimo"));
        QVERIFY(leftovers(dir.path()).isEmpty());
    }

    void refusedBeforeAnythingStarts() {
        xl::Workbook unbound;
        unbound.AddSheet(QStringLiteral("S"));
        QVERIFY_THROWS_EXCEPTION(xl::Error, unbound.SaveInBackground({}));
        QVERIFY(!unbound.SavePending());
        xl::setFileCodec({});
        xl::Workbook bound;
        bound.bind(QStringLiteral("/nessuna/Pratiche.xls"), QString());
        QVERIFY_THROWS_EXCEPTION(xl::Error, bound.SaveInBackground({}));
        QVERIFY(!bound.SavePending());
    }
};

QTEST_MAIN(TestBackground)
#include "tst_background.moc"
