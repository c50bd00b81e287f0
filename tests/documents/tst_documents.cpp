// The documents of a practice: the scanner form opened from the practice
// panel, names typed for a document and what they lead to (a bitmap in the
// documents folder and a line in the practice's note, or a refusal), and the
// attachments form that opens a document with its program.

#include "sanesandbox.h"

#include "platform/desktop/shell.h"
#include "practices/attachmentsform.h"
#include "practices/scannerform.h"
#include "tests/practices/practicetest.h"

#include <QDir>
#include <QImageReader>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

#include <memory>

using namespace pt;
using namespace documentstest;
using testsupport::AppFixture;

namespace {

const QString kV = QStringLiteral("Velmora");
const QString kNoPractice =
    QStringLiteral("ERRORE : Il documento deve essere associato ad una Pratica :\r\n"
                   "SELEZIONA  prima  la  Pratica nel caso che la Pratica sia già registrata\r\n"
                   "Oppure INSERISCI i dati della nuova pratica e poi associa il documento");
const QString kAskName = QStringLiteral("Digita il nome del documento, l'estensione del file è : TuoNomeFile.bmp");
const QString kNoName = QStringLiteral("Non Hai Inserito il nome del File ");
const QString kSeparators = QStringLiteral(
    "Il nome del documento non può contenere i caratteri / e \\ : digita solo il nome del file, ad esempio "
    "TuoNomeFile.bmp");
const QString kAskModify = QStringLiteral("Vuoi Modificare la Pratica selezionata  ?");
const QString kModified = QStringLiteral("Pratica  Modificata");

// Starts the program on practices 5 and 7 and opens the practice panel with
// practice 5 loaded from the list.
void openOnPractice(AppFixture& fx) {
    fx.writeWorkbook([](xl::Workbook& b) {
        putReferenceData(b);
        putPractice(b.Sheets(kPratica), 2, {5, QStringLiteral("ROSSI MARIO")});
        putPractice(b.Sheets(kPratica), 3, {7, QStringLiteral("BIANCHI SRL")});
    });
    QVERIFY(fx.start());
    fx.form().MenuPratiche_Click();
    QVERIFY(shown(control<PracticePanel>(&fx.form(), "Frame1")));
    QVERIFY(clickPractice(pt::practice(&fx.form()).ListView1, QStringLiteral("5")));
    QCOMPARE(pt::practice(&fx.form()).Text1->text(), QStringLiteral("5"));
}

QString documents(AppFixture& fx) { return fx.folder() + QStringLiteral("/Documenti/"); }

// Every file in the program folder and below it, by relative path.
QStringList filesUnder(const QString& folder) {
    QStringList out;
    QDir root(folder);
    const auto walk = [&](const auto& self, const QString& dir) -> void {
        for (const QFileInfo& fi :
             QDir(dir).entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden)) {
            if (fi.isDir())
                self(self, fi.filePath());
            else
                out << root.relativeFilePath(fi.filePath());
        }
    };
    walk(walk, folder);
    out.sort();
    return out;
}

// Opens the scanner form from the panel and types `name` at the prompt;
// `then` queues the boxes that follow the prompt.
Form5& acquire(AppFixture& fx, const QString& name,
               const std::function<void(testsupport::ScriptedDialogs&)>& then = {}) {
    pt::practice(&fx.form()).Command50->click();
    Form5& scan = pt::practice(&fx.form()).panel->scannerForm();
    fx.dialogs().expectInput(kAskName, name, kV);
    if (then) then(fx.dialogs());
    pt::scanner(scan).Command2->click();
    return scan;
}

// The file-open dialog's settings, kept as the form shows it.
class RecordingDialogs : public testsupport::ScriptedDialogs {
public:
    QString openFile(const QString& title, const QString& filter, const QString& folder) override {
        lastTitle = title;
        lastFilter = filter;
        lastFolder = folder;
        return ScriptedDialogs::openFile(title, filter, folder);
    }
    QString lastTitle, lastFilter, lastFolder;
};

// Records what the program asks the desktop to open.
class OpenedFiles {
public:
    OpenedFiles() {
        shell::setOpenHook([this](const QUrl& u) {
            urls << u;
            return true;
        });
    }
    ~OpenedFiles() { shell::setOpenHook({}); }
    QList<QUrl> urls;
};

} // namespace

class TestDocuments : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void scannerNeedsAPractice_data();
    void scannerNeedsAPractice();
    void scannerFormOpensEmpty();
    void fourCharacterNamesAreRefused_data();
    void fourCharacterNamesAreRefused();
    void shortOrCancelledNameDoesNothing_data();
    void shortOrCancelledNameDoesNothing();
    void acquisitionIsNotedOnThePractice();
    void noteReachesTheWorkbookOnModify();
    void namesWithFoldersAreRefused_data();
    void namesWithFoldersAreRefused();
    void existingDocumentAsksBeforeReplacing();
    void failedAcquisitionIsNotNoted();
    void sourceIsChosenFromTheForm();
    void attachmentOpensWithItsProgram();
    void cancelledPickOpensNothing();

private:
    std::unique_ptr<SaneSandbox> sane;
};

void TestDocuments::initTestCase() { sane = std::make_unique<SaneSandbox>(); }

void TestDocuments::init() {
    sane->configure();
    scanner::setChosenSource(QString());
}

void TestDocuments::cleanupTestCase() { sane.reset(); }

void TestDocuments::scannerNeedsAPractice_data() {
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("client");
    QTest::addColumn<QString>("date");
    QTest::newRow("no number") << QString() << QStringLiteral("ROSSI MARIO") << QStringLiteral("15/03/2024");
    QTest::newRow("no client") << QStringLiteral("9") << QString() << QStringLiteral("15/03/2024");
    QTest::newRow("no date") << QStringLiteral("9") << QStringLiteral("ROSSI MARIO") << QString();
}

void TestDocuments::scannerNeedsAPractice() {
    QFETCH(QString, number);
    QFETCH(QString, client);
    QFETCH(QString, date);
    AppFixture fx;
    fx.writeWorkbook([](xl::Workbook& b) { putReferenceData(b); });
    QVERIFY(fx.start());
    fx.form().MenuPratiche_Click();
    const pt::PracticeControls p = pt::practice(&fx.form());
    p->Text1->setText(number);
    p->Combo1->setEditText(client);
    p->Text2->setText(date);
    fx.dialogs().expectMessage(kNoPractice, kV, ui::MsgIcon::Information);
    p->Command50->click();
    VERIFY_DIALOGS(fx);
    QVERIFY(!loadedForm5(fx.form()));
}

void TestDocuments::scannerFormOpensEmpty() {
    AppFixture fx;
    openOnPractice(fx);
    Form1& f = fx.form();
    // A new practice typed in, not yet inserted, may have documents too.
    pt::practice(&f).Text1->setText(QStringLiteral("12"));
    pt::practice(&f).Text2->setText(QStringLiteral("01/04/2024"));
    pt::practice(&f).Command50->click();
    Form5* scan = loadedForm5(f);
    QVERIFY(scan);
    QVERIFY(shown(scan));
    QVERIFY(scan->isWindow());
    QCOMPARE(scan->windowTitle(), QStringLiteral("Scanner"));
    QCOMPARE(pt::scanner(*scan).Command1->text(), QStringLiteral("&Seleziona origine"));
    QCOMPARE(pt::scanner(*scan).Command2->text(), QStringLiteral("&Acquisizione"));
    QVERIFY(pt::scanner(*scan).Text1->text().isEmpty());

    // Whatever the name box holds, the next opening starts it empty, on the
    // same form.
    pt::scanner(*scan).Text1->setText(QStringLiteral("vecchio.bmp"));
    scan->hide();
    pt::practice(&f).Command50->click();
    QCOMPARE(loadedForm5(f), scan);
    QVERIFY(shown(scan));
    QVERIFY(pt::scanner(*scan).Text1->text().isEmpty());
    VERIFY_DIALOGS(fx);
}

void TestDocuments::fourCharacterNamesAreRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("proposed answer") << QStringLiteral(".bmp");
    QTest::newRow("four letters") << QStringLiteral("abcd");
    QTest::newRow("with a separator") << QStringLiteral("../x");
}

void TestDocuments::fourCharacterNamesAreRefused() {
    QFETCH(QString, name);
    AppFixture fx;
    openOnPractice(fx);
    const QString note = pt::practice(&fx.form()).Text6->text();
    const QStringList before = filesUnder(fx.folder());
    Form5& scan = acquire(fx, name, [](auto& d) { d.expectMessage(kNoName, QString(), ui::MsgIcon::None); });
    VERIFY_DIALOGS(fx);
    QCOMPARE(fx.dialogs().shown.back().title, QString()); // no title of its own
    QCOMPARE(filesUnder(fx.folder()), before);
    QCOMPARE(pt::practice(&fx.form()).Text6->text(), note);
    QVERIFY(shown(&scan));
    QVERIFY(pt::scanner(scan).Text1->text().isEmpty());
}

void TestDocuments::shortOrCancelledNameDoesNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("cancelled") << QString();
    QTest::newRow("three characters") << QStringLiteral("a.b");
}

void TestDocuments::shortOrCancelledNameDoesNothing() {
    QFETCH(QString, name);
    AppFixture fx;
    openOnPractice(fx);
    const QString note = pt::practice(&fx.form()).Text6->text();
    const QStringList before = filesUnder(fx.folder());
    Form5& scan = acquire(fx, name);
    VERIFY_DIALOGS(fx); // no box besides the prompt
    QCOMPARE(filesUnder(fx.folder()), before);
    QCOMPARE(pt::practice(&fx.form()).Text6->text(), note);
    QVERIFY(shown(&scan));
}

void TestDocuments::acquisitionIsNotedOnThePractice() {
    AppFixture fx;
    openOnPractice(fx);
    const pt::PracticeControls p = pt::practice(&fx.form());
    p->Text6->setText(QString());

    // Eight characters ending in ".bmp": scanned into the documents folder.
    Form5& scan = acquire(fx, QStringLiteral("atto.bmp"));
    VERIFY_DIALOGS(fx);
    QImageReader reader(documents(fx) + QStringLiteral("atto.bmp"));
    QCOMPARE(reader.format(), QByteArray("bmp"));
    const QImage page = reader.read();
    QVERIFY(!page.isNull());
    QVERIFY(allPixels(page, qRgb(0, 0, 0)));
    QCOMPARE(pt::scanner(scan).Text1->text(), QStringLiteral("atto.bmp"));
    // The note line is a carriage return and a line feed, then the name.
    QCOMPARE(p->Text6->text(), QStringLiteral("\r\nAllegato:-atto.bmp"));
    // Hidden, not unloaded: the name stays in the box.
    QVERIFY(!shown(&scan));
    QCOMPARE(loadedForm5(fx.form()), &scan);

    // A second document goes below the first; the opening empties the name.
    pt::practice(&fx.form()).Command50->click();
    QVERIFY(pt::scanner(scan).Text1->text().isEmpty());
    fx.dialogs().expectInput(kAskName, QStringLiteral("ricevuta 2"), kV);
    pt::scanner(scan).Command2->click();
    VERIFY_DIALOGS(fx);
    QCOMPARE(p->Text6->text(), QStringLiteral("\r\nAllegato:-atto.bmp\r\nAllegato:-ricevuta 2"));
    QCOMPARE(QImageReader(documents(fx) + QStringLiteral("ricevuta 2")).format(), QByteArray("bmp"));
    QCOMPARE(filesUnder(documents(fx)), (QStringList{QStringLiteral("atto.bmp"), QStringLiteral("ricevuta 2")}));
}

// The scanner writes nothing to the workbook: the note line is stored when
// the practice is modified, and lost when the user leaves it without that.
void TestDocuments::noteReachesTheWorkbookOnModify() {
    AppFixture fx;
    openOnPractice(fx);
    Form1& f = fx.form();
    acquire(fx, QStringLiteral("perizia.bmp"));
    VERIFY_DIALOGS(fx);
    const QString expected = QStringLiteral("Nota 5\r\nAllegato:-perizia.bmp");
    QCOMPARE(pt::practice(&f).Text6->text(), expected);
    QCOMPARE(cellText(fx.sheet(kPratica), 2, 11), QStringLiteral("Nota 5"));

    fx.dialogs().expectQuestion(kAskModify, true, kV).expectMessage(kModified, kV, ui::MsgIcon::Information);
    press(f, 3);
    VERIFY_DIALOGS(fx);
    QCOMPARE(cellText(fx.sheet(kPratica), 2, 11), expected);
    QCOMPARE(diskText(fx, kPratica, 2, 11), expected);

    // Another document on practice 7, then practice 5 loaded instead: the
    // line is gone with the fields it was in.
    QVERIFY(clickPractice(pt::practice(&f).ListView1, QStringLiteral("7")));
    acquire(fx, QStringLiteral("lettera.bmp"));
    VERIFY_DIALOGS(fx);
    QVERIFY(pt::practice(&f).Text6->text().endsWith(QStringLiteral("Allegato:-lettera.bmp")));
    QVERIFY(clickPractice(pt::practice(&f).ListView1, QStringLiteral("5")));
    QVERIFY(clickPractice(pt::practice(&f).ListView1, QStringLiteral("7")));
    QCOMPARE(pt::practice(&f).Text6->text(), QStringLiteral("Nota 7"));
    QVERIFY(QFile::exists(documents(fx) + QStringLiteral("lettera.bmp")));
}

void TestDocuments::namesWithFoldersAreRefused_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("parent folder") << QStringLiteral("../fuori.bmp");
    QTest::newRow("sub-folder") << QStringLiteral("sotto/atto.bmp");
    QTest::newRow("absolute") << QStringLiteral("/tmp/velmora-fuori.bmp");
    QTest::newRow("backslash") << QStringLiteral("..\\fuori.bmp");
    // The note names the document on one line.
    QTest::newRow("line feed") << QStringLiteral("riga\ndue.bmp");
    QTest::newRow("carriage return") << QStringLiteral("riga\r\ndue.bmp");
    QTest::newRow("tab") << QStringLiteral("riga\tdue.bmp");
    QTest::newRow("next line") << QStringLiteral("riga") + QChar(0x85) + QStringLiteral("due.bmp");
    QTest::newRow("line separator") << QStringLiteral("riga") + QChar(0x2028) + QStringLiteral("due.bmp");
}

void TestDocuments::namesWithFoldersAreRefused() {
    QFETCH(QString, name);
    AppFixture fx;
    openOnPractice(fx);
    const QString note = pt::practice(&fx.form()).Text6->text();
    const QStringList before = filesUnder(fx.folder());
    Form5& scan = acquire(fx, name, [](auto& d) { d.expectMessage(kSeparators, kV, ui::MsgIcon::Information); });
    VERIFY_DIALOGS(fx);
    QCOMPARE(filesUnder(fx.folder()), before);
    // Other tests write beside the program folder at the same time, so look
    // for the one file these names could reach there, not at the listing.
    QVERIFY(!QFile::exists(fx.folder() + QStringLiteral("/../fuori.bmp")));
    QVERIFY(!QFile::exists(QStringLiteral("/tmp/velmora-fuori.bmp")));
    QCOMPARE(pt::practice(&fx.form()).Text6->text(), note);
    QVERIFY(shown(&scan));
}

void TestDocuments::existingDocumentAsksBeforeReplacing() {
    AppFixture fx;
    openOnPractice(fx);
    const pt::PracticeControls p = pt::practice(&fx.form());
    const QString path = documents(fx) + QStringLiteral("contratto.bmp");
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("documento di un'altra pratica");
    }
    const QString note = p->Text6->text();
    const QString ask = QStringLiteral("Esiste già un documento con il nome contratto.bmp : vuoi sostituirlo ?");

    Form5& scan = acquire(fx, QStringLiteral("contratto.bmp"), [&](auto& d) { d.expectQuestion(ask, false, kV); });
    VERIFY_DIALOGS(fx);
    QFile old(path);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("documento di un'altra pratica"));
    old.close();
    QCOMPARE(p->Text6->text(), note);
    QVERIFY(shown(&scan));

    fx.dialogs().expectInput(kAskName, QStringLiteral("contratto.bmp"), kV).expectQuestion(ask, true, kV);
    pt::scanner(scan).Command2->click();
    VERIFY_DIALOGS(fx);
    QVERIFY(allPixels(QImage(path), qRgb(0, 0, 0)));
    QCOMPARE(p->Text6->text(), note + QStringLiteral("\r\nAllegato:-contratto.bmp"));
}

void TestDocuments::failedAcquisitionIsNotNoted() {
    AppFixture fx;
    openOnPractice(fx);
    const pt::PracticeControls p = pt::practice(&fx.form());
    const QString note = p->Text6->text();
    sane->configure({{QStringLiteral("read-status-code"), QStringLiteral("\"SANE_STATUS_JAMMED\"")}});
    Form5& scan = acquire(fx, QStringLiteral("inceppato.bmp"), [](auto& d) {
        d.expectMessage(QStringLiteral("Unable to scan.\r\nErrore dello scanner: carta inceppata"), kV,
                        ui::MsgIcon::Critical);
    });
    VERIFY_DIALOGS(fx);
    QVERIFY(!QFile::exists(documents(fx) + QStringLiteral("inceppato.bmp")));
    QCOMPARE(p->Text6->text(), note);
    QVERIFY(pt::scanner(scan).Text1->text().isEmpty());
    // Left up for another try, which succeeds once the paper is free; the
    // failure already told is not told again.
    QVERIFY(shown(&scan));
    sane->configure();
    fx.dialogs().expectInput(kAskName, QStringLiteral("inceppato.bmp"), kV);
    pt::scanner(scan).Command2->click();
    VERIFY_DIALOGS(fx);
    QVERIFY(QFile::exists(documents(fx) + QStringLiteral("inceppato.bmp")));
    QCOMPARE(p->Text6->text(), note + QStringLiteral("\r\nAllegato:-inceppato.bmp"));
}

void TestDocuments::sourceIsChosenFromTheForm() {
    AppFixture fx;
    openOnPractice(fx);
    ScriptedPicker picker;
    picker.answer = QStringLiteral("test:1");
    pt::practice(&fx.form()).Command50->click();
    Form5& scan = pt::practice(&fx.form()).panel->scannerForm();
    pt::scanner(scan).Command1->click();
    QCOMPARE(picker.calls, 1);
    QCOMPARE(picker.offered.size(), 2);
    QCOMPARE(scanner::chosenSource(), QStringLiteral("test:1"));
    // The form stays up after the choice, ready to acquire.
    QVERIFY(shown(&scan));
    fx.dialogs().expectInput(kAskName, QStringLiteral("da test1.bmp"), kV);
    pt::scanner(scan).Command2->click();
    VERIFY_DIALOGS(fx);
    QVERIFY(QFile::exists(documents(fx) + QStringLiteral("da test1.bmp")));
}

void TestDocuments::attachmentOpensWithItsProgram() {
    AppFixture fx;
    fx.writeWorkbook();
    QVERIFY(fx.start());
    fx.form().MenuPratiche_Click();
    RecordingDialogs rec;
    ui::setDialogs(&rec);
    OpenedFiles opened;

    // No practice is needed to look at the documents.
    pt::practice(&fx.form()).Command51->click();
    QPointer<Form3> pick = loadedForm3(fx.form());
    QVERIFY(pick);
    QVERIFY(shown(pick));
    QCOMPARE(pick->windowTitle(), QStringLiteral("Visualizza Allegati "));
    QCOMPARE(testsupport::control<QPushButton>(pick.data(), QStringLiteral("Command1"))->text(),
             QStringLiteral("&Seleziona Allegato Pratica"));
    // Clicked twice, the same form stays.
    pt::practice(&fx.form()).Command51->click();
    QCOMPARE(loadedForm3(fx.form()), pick.data());

    const QString doc = documents(fx) + QStringLiteral("atto.bmp");
    rec.expectOpenFile(doc);
    testsupport::control<QPushButton>(pick.data(), QStringLiteral("Command1"))->click();
    ui::setDialogs(&fx.dialogs());
    QVERIFY2(rec.verify().isEmpty(), qPrintable(rec.verify()));
    QCOMPARE(rec.lastTitle, QStringLiteral("Seleziona il file da caricare"));
    QCOMPARE(rec.lastFilter, QStringLiteral("Bitmaps(*.bmp) (*.bmp)"));
    QCOMPARE(rec.lastFolder, documents(fx));
    QCOMPARE(opened.urls, QList<QUrl>{QUrl::fromLocalFile(doc)});

    // Unloaded after the pick: the next opening is a new form.
    QVERIFY(!loadedForm3(fx.form()));
    QTRY_VERIFY(pick.isNull());
    pt::practice(&fx.form()).Command51->click();
    QVERIFY(loadedForm3(fx.form()));
    VERIFY_DIALOGS(fx);
}

void TestDocuments::cancelledPickOpensNothing() {
    AppFixture fx;
    fx.writeWorkbook();
    QVERIFY(fx.start());
    fx.form().MenuPratiche_Click();
    OpenedFiles opened;
    pt::practice(&fx.form()).Command51->click();
    QPointer<Form3> pick = loadedForm3(fx.form());
    QVERIFY(pick);
    fx.dialogs().expectOpenFile(QString());
    testsupport::control<QPushButton>(pick.data(), QStringLiteral("Command1"))->click();
    VERIFY_DIALOGS(fx);
    QVERIFY(opened.urls.isEmpty());
    QTRY_VERIFY(pick.isNull());
}

QTEST_MAIN(TestDocuments)
#include "tst_documents.moc"
