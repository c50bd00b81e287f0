// bench-velmora: times what the user waits for on the real main window at
// 1,000 and 30,000 practices (practice insert with its save, activation,
// client insert, the search "in preparation", the ledger query by practice,
// the same search once one more practice has been flagged "in preparation"
// and the activation that follows it),
// start-up of the real program until its window shows, open and save of the
// 30,000-practice file paired with LibreOffice's warm load and store, and the
// memory of each with that file open. Rounds are paired: every round runs
// each measurement once at each size (and once in LibreOffice), and the
// figures are medians with their quartiles.
//
//   QT_QPA_PLATFORM=offscreen bench-velmora [--rounds N] [--no-libreoffice] [--no-startup]
//                                           [--startup-only] [--program PATH]
// --program names the program whose start-up is timed (by default the one
// built beside this tool); --startup-only times start-up alone, without the
// actions, the open and save or LibreOffice, for quick paired comparisons.
//
// Start-up runs the program on a private Xvfb display and waits for its main
// window to be mapped there; it is skipped when Xvfb or xwininfo is missing.

#include "app/form1.h"
#include "ledger/ledgerpanel.h"
#include "platform/desktop/controls.h"
#include "platform/xls/xlsfile.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "reference/clientpanel.h"
#include "store/practicesheet.h"
#include "store/schema.h"
#include "tests/practices/practicecontrols.h"
#include "tools/common/benchbook.h"
#include "tools/common/benchstats.h"
#include "tools/common/benchui.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <functional>
#include <optional>

#include <cstdio>
#include <map>
#include <memory>
#include <unistd.h>

namespace {

double secondsOf(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return t.nsecsElapsed() / 1e9;
}

const char* const kActions[] = {
    "practice insert (with its save)", "main-window activation",   "client insert",
    "search \"in preparation\"",       "ledger query by practice", "search after one more flagged",
    "activation after that search"};
constexpr int kActionCount = 7;

// One size: its folder, its file and the main window working on it.
struct Size {
    int practices = 0;
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;
    int nextPractice = 0;
    int nextClient = 0;
    int nextFlag = 2; // the next practice number to look at for one not in preparation yet
    bench::Series action[kActionCount];
    bench::Series startup, open, save, rssMb;

    QString file() const { return dir.filePath(store::kWorkbookFileName); }

    bool prepare() {
        auto book = store::newStarterWorkbook();
        bench::fillWorkbook(*book, practices);
        xls::writeWorkbook(*book, file(), store::workbookPassword());
        nextPractice = practices + 1;
        form = std::make_unique<Form1>(dir.path());
        if (!form->Form_Load()) return false;
        form->show();
        QCoreApplication::processEvents();
        if (form->activations() == 0) form->Form_Activate();
        return !form->ended();
    }

    void round() {
        Form1& f = *form;
        // Practice insert: the fields filled as the user would, the toolbar's
        // insert button timed.
        f.MenuPratiche_Click();
        const pt::PracticeControls p = pt::practice(&f);
        p->Text1->setText(QString::number(nextPractice++));
        p->Text2->setText(QStringLiteral("15/03/2024"));
        p->Combo1->setEditText(QStringLiteral("CLIENTE 1 SRL"));
        p->Text3->setText(QStringLiteral("Ricorso"));
        p->Combo2->setEditText(QStringLiteral("Settore 1"));
        p->Combo3->setEditText(QStringLiteral("3"));
        action[0].add(secondsOf([&] { f.toolbarButton(1)->trigger(); }));
        // The file is written in the background: it is on disk before the
        // next action, outside the time of this one.
        f.waitForSave();

        action[1].add(secondsOf([&] { f.Form_Activate(); }));

        f.MenuClienti_Click();
        f.findChild<ClientPanel*>(QStringLiteral("Frame3"))
            ->findChild<QLineEdit*>(QStringLiteral("Text26"))
            ->setText(QStringLiteral("NUOVO CLIENTE %1").arg(++nextClient));
        action[2].add(secondsOf([&] { f.findChild<ClientPanel*>(QStringLiteral("Frame3"))->Command70_Click(); }));

        f.MenuPratiche_Click();
        f.findChild<PracticePanel*>(QStringLiteral("Frame1"))->cmd14_Click();
        const pt::SearchControls s = pt::search(&f);
        s->Check8->blockSignals(true);
        s->Check8->setChecked(false);
        s->Check8->blockSignals(false);
        action[3].add(secondsOf([&] { s->Check8->click(); }));

        f.MenuPratiche_Click();
        pt::practice(&f).Command28->click();
        LedgerPanel* l = f.findChild<LedgerPanel*>(QStringLiteral("Frame8"));
        l->findChild<QCheckBox*>(QStringLiteral("Check11"))->setChecked(true);
        action[4].add(
            secondsOf([&] { bench::choose(l->findChild<QComboBox*>(QStringLiteral("Combo8")), QStringLiteral("1")); }));
        f.MenuPratiche_Click();

        // One more practice put "in preparation" as the practice panel's
        // modify does it (the record rewritten, the form reset, the file
        // saved), then the same search again: its results now differ by one.
        flagOne();
        f.MenuPratiche_Click();
        f.save();
        f.waitForSave();
        f.findChild<PracticePanel*>(QStringLiteral("Frame1"))->cmd14_Click();
        const pt::SearchControls again = pt::search(&f);
        again->Check8->blockSignals(true);
        again->Check8->setChecked(false);
        again->Check8->blockSignals(false);
        action[5].add(secondsOf([&] { again->Check8->click(); }));
        action[6].add(secondsOf([&] { f.Form_Activate(); }));
        f.MenuPratiche_Click();
    }

    // Flags the first practice from the top that is not in preparation yet.
    void flagOne() {
        store::Book& book = form->book();
        for (; nextFlag <= practices; ++nextFlag) {
            std::optional<store::PracticeRecord> r = store::practices::find(book, QString::number(nextFlag));
            if (!r || r->inPreparation) continue;
            r->inPreparation = true;
            store::practices::update(book, *r);
            ++nextFlag;
            return;
        }
    }
};

// A private X display for the start-up rounds.
class XDisplay {
public:
    ~XDisplay() {
        if (x_.state() == QProcess::Running) {
            x_.terminate();
            if (!x_.waitForFinished(5000)) x_.kill();
        }
    }
    bool start() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("xwininfo")).isEmpty())
            return false;
        for (int attempt = 0; attempt < 5; ++attempt) {
            name_ = QStringLiteral(":%1").arg(QRandomGenerator::global()->bounded(100, 1000));
            x_.start(QStringLiteral("Xvfb"),
                     {name_, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1600x1000x24"),
                      QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            x_.waitForStarted();
            for (int i = 0; i < 50 && x_.state() == QProcess::Running; ++i) {
                if (query(QStringLiteral("-root")).contains("Window id")) return true;
                QThread::msleep(100);
            }
            x_.kill();
            x_.waitForFinished();
        }
        return false;
    }
    const QString& name() const { return name_; }
    // Whether a window titled `title` is mapped and viewable.
    bool viewable(const QString& title) { return query(QStringLiteral("-name"), title).contains("IsViewable"); }

private:
    QByteArray query(const QString& a, const QString& b = QString()) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), name_);
        p.setProcessEnvironment(env);
        QStringList args{a};
        if (!b.isEmpty()) args << b;
        p.start(QStringLiteral("xwininfo"), args);
        p.waitForFinished(5000);
        return p.readAllStandardOutput();
    }
    QProcess x_;
    QString name_;
};

long vmHighWaterKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// The real program started in a fresh folder holding the size's file, timed
// until its main window is viewable; its peak memory is taken then.
bool startupRound(XDisplay& x, Size& s, const QString& binary) {
    QTemporaryDir dir;
    const QString program = dir.filePath(QStringLiteral("velmora"));
    // A hard link keeps the program's own folder where the file is.
    if (::link(QFile::encodeName(binary).constData(), QFile::encodeName(program).constData()) != 0 &&
        !QFile::copy(binary, program))
        return false;
    if (!QFile::copy(s.file(), dir.filePath(store::kWorkbookFileName))) return false;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), x.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, {});
    if (!p.waitForStarted()) return false;
    bool shown = false;
    while (!shown && t.elapsed() < 60000 && p.state() == QProcess::Running) {
        shown = x.viewable(QStringLiteral("Velmora versione 2.3"));
        if (!shown) QThread::usleep(500);
    }
    const double seconds = t.nsecsElapsed() / 1e9;
    const long hwm = vmHighWaterKb(p.processId());
    p.kill();
    p.waitForFinished();
    if (!shown) return false;
    s.startup.add(seconds);
    s.rssMb.add(hwm / 1024.0);
    return true;
}

QString ratio(double a, double b) { return b > 0 ? QStringLiteral("%1x").arg(a / b, 0, 'f', 2) : QStringLiteral("-"); }

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    const QStringList args = app.arguments();
    int rounds = 9;
    const int r = args.indexOf(QStringLiteral("--rounds"));
    if (r > 0 && r + 1 < args.size()) rounds = std::max(1, args[r + 1].toInt());
    const bool startupOnly = args.contains(QStringLiteral("--startup-only"));
    const bool withLo = !args.contains(QStringLiteral("--no-libreoffice")) && !startupOnly;
    const bool withStartup = !args.contains(QStringLiteral("--no-startup"));

    xls::registerCodec();
    bench::Silent silent;
    ui::setDialogs(&silent);

    std::vector<std::unique_ptr<Size>> sizes;
    for (int n : {1000, 30000}) {
        auto s = std::make_unique<Size>();
        s->practices = n;
        if (!s->prepare()) {
            std::fprintf(stderr, "bench-velmora: the program did not start on %d practices: %s\n", n,
                         qPrintable(silent.last));
            return 1;
        }
        sizes.push_back(std::move(s));
    }
    Size& small = *sizes[0];
    Size& large = *sizes[1];

    XDisplay x;
    const bool startup = withStartup && x.start();
    const int pg = args.indexOf(QStringLiteral("--program"));
    const QString binary = pg > 0 && pg + 1 < args.size() ? args[pg + 1] : QStringLiteral(VELMORA_BINARY);

    bench::LibreOfficePeer lo;
    QTemporaryDir loDir;
    // LibreOffice gets a copy of the file: the main window holds the
    // original's lock, and LibreOffice would open that one read-only.
    const QString loCopy = loDir.filePath(QStringLiteral("copia.xls"));
    bool loOn = withLo && QFile::copy(large.file(), loCopy) &&
                lo.start(QStringLiteral(VELMORA_LO_PEER), loCopy, store::workbookPassword(),
                         loDir.filePath(QStringLiteral("lo.xls")));
    if (withLo && !loOn) std::printf("LibreOffice: not measured (%s)\n", qPrintable(lo.error()));
    bench::Series loLoad, loStore, loRss;
    const QString ours = loDir.filePath(QStringLiteral("nostro.xls"));

    // A warm-up round that is not counted.
    if (!startupOnly)
        for (auto& s : sizes) {
            s->round();
            for (auto& a : s->action) a.v.clear();
        }

    for (int round = 0; round < rounds; ++round) {
        if (!startupOnly)
            for (auto& s : sizes) s->round();
        if (startup)
            for (auto& s : sizes)
                if (!startupRound(x, *s, binary)) std::fprintf(stderr, "bench-velmora: start-up round failed\n");
        if (startupOnly) {
            std::fprintf(stderr, "round %d of %d\n", round + 1, rounds);
            continue;
        }
        std::unique_ptr<xl::Workbook> book;
        large.open.add(secondsOf([&] { book = xls::readWorkbook(large.file(), store::workbookPassword()); }));
        large.save.add(secondsOf([&] { xls::writeWorkbook(*book, ours, store::workbookPassword()); }));
        if (loOn) {
            double l = 0, st = 0, mb = 0;
            if (lo.round(&l, &st, &mb)) {
                loLoad.add(l);
                loStore.add(st);
                loRss.add(mb);
            } else {
                std::printf("LibreOffice: stopped (%s)\n", qPrintable(lo.error()));
                loOn = false;
            }
        }
        std::fprintf(stderr, "round %d of %d\n", round + 1, rounds);
    }

    std::printf("%d paired rounds, medians [quartiles]; every box that reported a failure: %d\n", rounds,
                silent.failures);
    if (silent.failures) std::printf("  last: %s\n", qPrintable(silent.last));
    std::printf("%-34s %-24s %-24s %s\n", "action", "1,000 practices", "30,000 practices", "30k / 1k");
    for (int i = 0; i < kActionCount && !startupOnly; ++i)
        std::printf("%-34s %-24s %-24s %s\n", kActions[i], qPrintable(small.action[i].show(1000, "ms")),
                    qPrintable(large.action[i].show(1000, "ms")),
                    qPrintable(ratio(large.action[i].median(), small.action[i].median())));
    if (startup)
        std::printf("%-34s %-24s %-24s %s\n", "start-up until the window shows",
                    qPrintable(small.startup.show(1000, "ms")), qPrintable(large.startup.show(1000, "ms")),
                    qPrintable(ratio(large.startup.median(), small.startup.median())));
    else
        std::printf("start-up: not measured (no Xvfb or xwininfo, or --no-startup)\n");

    if (!startupOnly) {
        std::printf("\nthe 30,000-practice file against LibreOffice (warm, after a warm-up round)\n");
        std::printf("velmora open %s, save with flush %s\n", qPrintable(large.open.show(1000, "ms")),
                    qPrintable(large.save.show(1000, "ms")));
    }
    if (!loLoad.empty()) {
        std::printf("LibreOffice load %s, store %s\n", qPrintable(loLoad.show(1000, "ms", 0)),
                    qPrintable(loStore.show(1000, "ms", 0)));
        std::printf("open %s faster, save %s faster\n", qPrintable(ratio(loLoad.median(), large.open.median())),
                    qPrintable(ratio(loStore.median(), large.save.median())));
    }
    if (startup) {
        std::printf("memory of the program with the file open (peak): %s", qPrintable(large.rssMb.show(1, "MB", 0)));
        if (!loRss.empty())
            std::printf(", LibreOffice with it loaded: %s, ratio %s", qPrintable(loRss.show(1, "MB", 0)),
                        qPrintable(ratio(large.rssMb.median(), loRss.median())));
        std::printf("\n");
    }
    ui::setDialogs(nullptr);
    return 0;
}
