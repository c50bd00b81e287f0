// Workbooks nobody here wrote, saved by the program and compared through
// LibreOffice: public test files of other projects (tests/codec/corpus, see
// its README) and files that LibreOffice and Gnumeric make during the test.
// Each is opened, one cell is changed, the workbook is saved in place with
// the workbook password as the program saves it, and LibreOffice reads the
// file before and after. Whatever else changed must have been announced,
// with the file as it was kept in Backup/.

#include "platform/xls/xlsfile.h"
#include "store/keeporiginal.h"
#include "store/schema.h"
#include "tests/codec/peer.h"
#include "tests/support/scripted_dialogs.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <map>

namespace {

using codectest::peer;
using codectest::run;
using codectest::Run;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

struct Case {
    QString name;
    QString source; // the file as it was made, never touched
    QString password;
    QString work; // the copy the program opens and saves, in its own folder
    bool opened = false;
    QString refused; // why the program would not open it
    QStringList announced;
    QString backup; // where the copy of the file as it was went
    int editRow = 0;
    QString editSheet;
};

// What changed between LibreOffice's reading of the file before and after.
struct Figures {
    int cells = 0, formulasToValues = 0, formats = 0, fonts = 0, names = 0, sheets = 0;
    QStringList samples; // a few of the differences, to say why a file fails
    void note(const QString& s) {
        if (samples.size() < 4) samples << s;
    }
};

QString key(int row, int col) { return QStringLiteral("%1:%2").arg(row).arg(col); }

bool sameNumber(double a, double b) {
    return a == b || std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

Figures compare(const QJsonObject& before, const QJsonObject& after, const Case& c) {
    Figures f;
    std::map<QString, QJsonObject> afterSheets;
    for (const auto v : after.value(QStringLiteral("sheets")).toArray())
        afterSheets[v.toObject().value(QStringLiteral("name")).toString()] = v.toObject();
    const QJsonArray beforeSheets = before.value(QStringLiteral("sheets")).toArray();
    for (const auto sv : beforeSheets) {
        const QJsonObject bs = sv.toObject();
        const QString name = bs.value(QStringLiteral("name")).toString();
        auto it = afterSheets.find(name);
        if (it == afterSheets.end()) {
            ++f.sheets;
            f.note(QStringLiteral("sheet %1 missing").arg(name));
            continue;
        }
        const QJsonObject as = it->second;
        afterSheets.erase(it);
        if (bs.value(QStringLiteral("visible")) != as.value(QStringLiteral("visible"))) {
            ++f.sheets;
            f.note(QStringLiteral("sheet %1 shown/hidden").arg(name));
        }
        std::map<QString, QJsonObject> cellsAfter;
        for (const auto cv : as.value(QStringLiteral("cells")).toArray()) {
            const QJsonObject o = cv.toObject();
            cellsAfter[key(o.value(QStringLiteral("row")).toInt(), o.value(QStringLiteral("col")).toInt())] = o;
        }
        const QString edited = name == c.editSheet ? key(c.editRow, 1) : QString();
        cellsAfter.erase(edited);
        for (const auto cv : bs.value(QStringLiteral("cells")).toArray()) {
            const QJsonObject b = cv.toObject();
            const QString k = key(b.value(QStringLiteral("row")).toInt(), b.value(QStringLiteral("col")).toInt());
            if (k == edited) continue;
            auto ai = cellsAfter.find(k);
            const QString kindB = b.value(QStringLiteral("kind")).toString();
            const QJsonObject a = ai != cellsAfter.end() ? ai->second : QJsonObject();
            if (ai != cellsAfter.end()) cellsAfter.erase(ai);
            const QString kindA = a.value(QStringLiteral("kind")).toString();
            const QString formulaB = b.value(QStringLiteral("formula")).toString(),
                          formulaA = a.value(QStringLiteral("formula")).toString();
            if (kindB == QLatin1String("FORMULA") && formulaA != formulaB) {
                // The formula gave way to the last result the file held: an
                // empty text leaves the cell empty, and LibreOffice shows a
                // boolean or an error value as a formula of that constant.
                static const QRegularExpression constant(QStringLiteral("^=(TRUE\\(\\)|FALSE\\(\\)|#\\S*)?$"));
                if (a.isEmpty() || kindA != kindB || constant.match(formulaA).hasMatch()) {
                    ++f.formulasToValues;
                } else {
                    ++f.cells;
                    f.note(QStringLiteral("%1!%2 %3 -> %4").arg(name, k, formulaB, formulaA));
                }
                continue;
            }
            if (a.isEmpty()) {
                ++f.cells;
                f.note(QStringLiteral("%1!%2 emptied").arg(name, k));
                continue;
            }
            const bool text =
                kindB == QLatin1String("TEXT") ||
                (kindB == QLatin1String("FORMULA") && b.value(QStringLiteral("string")).toString() != QString() &&
                 b.value(QStringLiteral("value")).toDouble() == 0);
            const bool valueSame = text ? b.value(QStringLiteral("string")) == a.value(QStringLiteral("string"))
                                        : sameNumber(b.value(QStringLiteral("value")).toDouble(),
                                                     a.value(QStringLiteral("value")).toDouble());
            if (!valueSame || kindA != kindB) {
                ++f.cells;
                f.note(QStringLiteral("%1!%2 %3 -> %4")
                           .arg(name, k, b.value(QStringLiteral("string")).toString(),
                                a.value(QStringLiteral("string")).toString()));
            }
            if (b.value(QStringLiteral("format")) != a.value(QStringLiteral("format"))) ++f.formats;
            if (b.value(QStringLiteral("font")) != a.value(QStringLiteral("font"))) ++f.fonts;
        }
        for (const auto& [k, a] : cellsAfter) {
            ++f.cells;
            f.note(QStringLiteral("%1!%2 appeared").arg(name, k));
        }
    }
    f.sheets += int(afterSheets.size());
    const QJsonObject nb = before.value(QStringLiteral("names")).toObject(),
                      na = after.value(QStringLiteral("names")).toObject();
    // A name that refers to nothing (an empty print area) has nothing to lose.
    for (auto it = nb.begin(); it != nb.end(); ++it) {
        if (na.value(it.key()) == it.value() || it.value().toString().isEmpty()) continue;
        ++f.names;
        f.note(QStringLiteral("name %1 lost %2").arg(it.key(), it.value().toString()));
    }
    for (auto it = na.begin(); it != na.end(); ++it)
        if (!nb.contains(it.key())) {
            ++f.names;
            f.note(QStringLiteral("name %1 appeared").arg(it.key()));
        }
    return f;
}

// The sheets an announcement says are dropped whole.
bool sheetDropAnnounced(const QStringList& announced, const QString& sheet) {
    for (const QString& line : announced)
        if (line.startsWith(QLatin1String("fogli ")) && line.contains(QLatin1Char('"') + sheet + QLatin1Char('"')))
            return true;
    return false;
}

bool namesDropAnnounced(const QStringList& announced) {
    for (const QString& line : announced)
        if (line.startsWith(QLatin1String("nomi definiti"))) return true;
    return false;
}

bool formulaDropAnnounced(const QStringList& announced) {
    for (const QString& line : announced)
        if (line.contains(QLatin1String("restano i valori"))) return true;
    return false;
}

} // namespace

class TestCorpus : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip();

private:
    void addCase(const QString& name, const QString& source, const QString& password);
    QTemporaryDir dir_;
    std::vector<Case> cases_;
};

void TestCorpus::addCase(const QString& name, const QString& source, const QString& password) {
    Case c;
    c.name = name;
    c.source = source;
    c.password = password;
    cases_.push_back(c);
}

void TestCorpus::initTestCase() {
    xls::registerCodec();
    QVERIFY(dir_.isValid());
    const QDir corpus(QStringLiteral(CORPUS_DIR));
    std::map<QString, QString> passwords;
    for (const QString& line :
         QString::fromUtf8(readAll(corpus.filePath(QStringLiteral("PASSWORDS")))).split(QLatin1Char('\n'))) {
        const QStringList parts = line.split(QLatin1Char('\t'));
        if (parts.size() == 2 && !line.startsWith(QLatin1Char('#'))) passwords[parts[0]] = parts[1];
    }
    const QStringList files = corpus.entryList({QStringLiteral("*.xls")}, QDir::Files, QDir::Name);
    QVERIFY2(files.size() >= 20, "the corpus of public workbooks is missing");
    for (const QString& f : files) addCase(f, corpus.filePath(f), passwords.count(f) ? passwords[f] : QString());

    // Made here by LibreOffice: a plain workbook, one of formulas, and one
    // with what users add to their files.
    const QString password = store::workbookPassword();
    for (const char* kind : {"make", "formulas", "extras"}) {
        const QString out = dir_.filePath(QStringLiteral("made/libreoffice-%1.xls").arg(QLatin1String(kind)));
        QDir().mkpath(QFileInfo(out).path());
        const Run r = peer({QLatin1String(kind), out, password});
        QVERIFY2(r.code == 0, qPrintable(QString::fromUtf8(r.err)));
        addCase(QFileInfo(out).fileName(), out, password);
    }
    // Made here by Gnumeric, from public files that carry comments, formats and names.
    for (const char* from : {"poi-SimpleWithComments.xls", "xlrd-Formate.xls", "xlrd-namesdemo.xls"}) {
        const QString out = dir_.filePath(QStringLiteral("made/gnumeric-%1").arg(QLatin1String(from)));
        const Run r = run(QStringLiteral("ssconvert"), {QStringLiteral("--export-type=Gnumeric_Excel:excel_biff8"),
                                                        corpus.filePath(QLatin1String(from)), out});
        QVERIFY2(r.code == 0 && QFile::exists(out), qPrintable(QString::fromUtf8(r.err)));
        addCase(QFileInfo(out).fileName(), out, QString());
    }
}

void TestCorpus::roundTrip() {
    testsupport::ScopedDialogs dialogs;
    const QString password = store::workbookPassword();
    int refusedUntouched = 0;
    for (std::size_t i = 0; i < cases_.size(); ++i) {
        Case& c = cases_[i];
        const QString folder = dir_.filePath(QStringLiteral("run/%1").arg(i));
        QDir().mkpath(folder + QStringLiteral("/Backup"));
        c.work = folder + QLatin1Char('/') + QFileInfo(c.source).fileName();
        QVERIFY(QFile::copy(c.source, c.work));
        std::unique_ptr<xl::Workbook> book;
        try {
            book = xls::readWorkbook(c.work, c.password);
        } catch (const std::exception& e) {
            c.refused = QString::fromUtf8(e.what());
            // A file the program refuses stays exactly as it was.
            QCOMPARE(readAll(c.work), readAll(c.source));
            ++refusedUntouched;
            continue;
        }
        c.opened = true;
        // The one change: a text appended below the first sheet's cells.
        xl::Worksheet& first = book->Sheets(1);
        c.editSheet = first.Name();
        c.editRow = std::min(first.usedRange().row2 + 2, xl::kMaxRows);
        first.Cells(c.editRow, 1).SetValue(xl::Value(QStringLiteral("Velmora")));

        dialogs->clear();
        const QStringList notKept = book->notKept;
        QString why;
        QVERIFY2(store::keepOriginalBeforeSave(*book, folder + QStringLiteral("/Backup"), &why), qPrintable(why));
        book->bind(c.work, password);
        book->Save();
        if (!notKept.isEmpty()) {
            // One message that names every kind dropped and the copy's place.
            QCOMPARE(int(dialogs->shown.size()), 1);
            const QString text = dialogs->shown.front().text;
            for (const QString& line : notKept)
                QVERIFY2(text.contains(line), qPrintable(c.name + QLatin1String(": ") + line));
            c.announced = notKept;
            c.backup = folder + QStringLiteral("/Backup/") + store::originalCopyName(c.work);
            QVERIFY2(text.contains(QDir::toNativeSeparators(c.backup)), qPrintable(text));
            QCOMPARE(readAll(c.backup), readAll(c.source));
        } else {
            QVERIFY2(dialogs->shown.empty(), qPrintable(c.name));
            QVERIFY2(QDir(folder + QStringLiteral("/Backup")).isEmpty(), qPrintable(c.name));
        }
        // What the program wrote holds nothing that a later save would drop:
        // the copy and the message come once per file.
        QVERIFY2(xls::readWorkbook(c.work, password)->notKept.isEmpty(), qPrintable(c.name));
    }

    // LibreOffice reads every file before and after, in one run.
    QJsonArray list;
    std::vector<Case*> opened;
    for (Case& c : cases_) {
        if (!c.opened) continue;
        opened.push_back(&c);
        list.append(QJsonObject{{QStringLiteral("path"), c.source}, {QStringLiteral("password"), c.password}});
        list.append(QJsonObject{{QStringLiteral("path"), c.work}, {QStringLiteral("password"), password}});
    }
    const QString listFile = dir_.filePath(QStringLiteral("list.json"));
    {
        QFile f(listFile);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QJsonDocument(list).toJson());
    }
    const Run r = peer({QStringLiteral("dumps"), listFile}, 900000);
    QVERIFY2(r.code == 0, qPrintable(QString::fromUtf8(r.err)));
    const QJsonArray dumps = QJsonDocument::fromJson(r.out).array();
    QCOMPARE(dumps.size(), list.size());

    Figures total;
    int announcedFiles = 0, announcedKinds = 0;
    QStringList unexplained;
    qInfo().noquote() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
                             .arg(QStringLiteral("file"), -52)
                             .arg(QStringLiteral("cells"), 5)
                             .arg(QStringLiteral("f->v"), 5)
                             .arg(QStringLiteral("fmts"), 5)
                             .arg(QStringLiteral("fonts"), 5)
                             .arg(QStringLiteral("names"), 5)
                             .arg(QStringLiteral("shts"), 5)
                             .arg(QStringLiteral("announced"));
    for (std::size_t i = 0; i < opened.size(); ++i) {
        const Case& c = *opened[i];
        const QJsonObject before = dumps[int(2 * i)].toObject(), after = dumps[int(2 * i + 1)].toObject();
        QVERIFY2(!before.contains(QStringLiteral("error")),
                 qPrintable(c.name + QLatin1String(" before: ") + before.value(QStringLiteral("error")).toString()));
        QVERIFY2(!after.contains(QStringLiteral("error")),
                 qPrintable(c.name + QLatin1String(" after: ") + after.value(QStringLiteral("error")).toString()));
        Figures f = compare(before, after, c);
        // Sheets dropped whole are explained when announced by name.
        int sheetsUnexplained = f.sheets;
        for (const auto sv : before.value(QStringLiteral("sheets")).toArray()) {
            const QString name = sv.toObject().value(QStringLiteral("name")).toString();
            if (sheetDropAnnounced(c.announced, name)) --sheetsUnexplained;
        }
        const int formulasUnexplained = formulaDropAnnounced(c.announced) ? 0 : f.formulasToValues;
        const int namesUnexplained = namesDropAnnounced(c.announced) ? 0 : f.names;
        if (f.cells > 0 || formulasUnexplained > 0 || sheetsUnexplained > 0 || namesUnexplained > 0)
            unexplained << QStringLiteral("%1: %2 cells, %3 formulas to values, %4 sheets, %5 names (%6)")
                               .arg(c.name)
                               .arg(f.cells)
                               .arg(formulasUnexplained)
                               .arg(sheetsUnexplained)
                               .arg(namesUnexplained)
                               .arg(f.samples.join(QStringLiteral("; ")));
        total.cells += f.cells;
        total.formulasToValues += f.formulasToValues;
        total.formats += f.formats;
        total.fonts += f.fonts;
        total.names += f.names;
        total.sheets += f.sheets;
        if (!c.announced.isEmpty()) ++announcedFiles;
        announcedKinds += int(c.announced.size());
        QString said = c.announced.join(QStringLiteral("; "));
        said.replace(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)")), QString());
        qInfo().noquote() << QStringLiteral("%1 %2 %3 %4 %5 %6 %7  %8")
                                 .arg(c.name, -52)
                                 .arg(f.cells, 5)
                                 .arg(f.formulasToValues, 5)
                                 .arg(f.formats, 5)
                                 .arg(f.fonts, 5)
                                 .arg(f.names, 5)
                                 .arg(f.sheets, 5)
                                 .arg(said);
    }
    for (const Case& c : cases_)
        if (!c.opened) qInfo().noquote() << QStringLiteral("%1 refused: %2").arg(c.name, -52).arg(c.refused);
    qInfo().noquote()
        << QStringLiteral("%1 files, %2 opened; changed: %3 cells, %4 formulas to values, %5 number formats, "
                          "%6 fonts, %7 names, %8 sheets; %9 files announced %10 kinds dropped, each kept in Backup/")
               .arg(cases_.size())
               .arg(opened.size())
               .arg(total.cells)
               .arg(total.formulasToValues)
               .arg(total.formats)
               .arg(total.fonts)
               .arg(total.names)
               .arg(total.sheets)
               .arg(announcedFiles)
               .arg(announcedKinds);
    for (const QString& u : unexplained) qInfo().noquote() << "not announced:" << u;
    // Nothing the user would lose goes unannounced: cells, formulas, sheets and names.
    QVERIFY2(unexplained.isEmpty(), qPrintable(unexplained.join(QLatin1Char('\n'))));
    QVERIFY(opened.size() + std::size_t(refusedUntouched) == cases_.size());
}

QTEST_MAIN(TestCorpus)
#include "tst_corpus.moc"
