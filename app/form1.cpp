#include "app/form1.h"

#include "app/preload.h"

#include "ledger/ledgerpanel.h"
#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/desktop/shell.h"
#include "platform/engine/vbconv.h"
#include "platform/xls/xlsfile.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "printing/cover.h"
#include "printing/label.h"
#include "printing/messages.h"
#include "printing/stampap.h"
#include "reference/binderpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorpanel.h"
#include "store/formatters.h"
#include "store/keeporiginal.h"
#include "store/lists.h"
#include "store/lockprobe.h"
#include "store/schema.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QNetworkInterface>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QShowEvent>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Velmora");

using handlers::guarded;
using handlers::skipping;

// The machine's first IPv4 address that is not the loopback, in dotted form.
QString localIPv4() {
    for (const QHostAddress& a : QNetworkInterface::allAddresses())
        if (a.protocol() == QAbstractSocket::IPv4Protocol && !a.isLoopback()) return a.toString();
    return QStringLiteral("127.0.0.1");
}

// Why an open or a save failed, in words for the user.
QString fileProblem(const std::exception& e, bool writing) {
    if (const auto* fe = dynamic_cast<const xls::FileError*>(&e)) {
        switch (fe->kind()) {
        case xls::FileErrorKind::WrongPassword:
            return QStringLiteral("la password del file non è quella del programma");
        case xls::FileErrorKind::UnsupportedEncryption:
            return QStringLiteral("il file è protetto con una cifratura che il programma non sa leggere");
        case xls::FileErrorKind::OlderFormat:
            return QStringLiteral(
                "il file è in un formato di Excel più vecchio (Excel 95 o precedente); "
                "va aperto in un programma di fogli di calcolo e salvato di nuovo come \"Excel 97-2003\"");
        case xls::FileErrorKind::NotCompoundFile:
        case xls::FileErrorKind::NoWorkbookStream:
            return QStringLiteral("il file non è una cartella di lavoro in formato .xls");
        case xls::FileErrorKind::Damaged: return QStringLiteral("il file è danneggiato");
        case xls::FileErrorKind::NotFound: return QStringLiteral("il file non si trova o non si può leggere");
        case xls::FileErrorKind::WriteFailed:
            return QStringLiteral("il file o la sua cartella non si possono scrivere "
                                  "(disco pieno, cartella mancante o file di sola lettura)");
        }
    }
    return writing ? QStringLiteral("la scrittura non è riuscita (%1)").arg(QString::fromStdString(e.what()))
                   : QStringLiteral("la lettura non è riuscita (%1)").arg(QString::fromStdString(e.what()));
}

// The logo: our own mark drawn at start, so no image file has to travel with
// the program.
QPixmap drawLogo() {
    const qreal dpr = qApp ? qApp->devicePixelRatio() : 1.0;
    QPixmap pm(QSize(230, 56) * dpr);
    pm.setDevicePixelRatio(dpr);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(1, 1, 228, 54), 10, 10);
    QLinearGradient g(0, 0, 230, 56);
    g.setColorAt(0, QColor(0x1f, 0x4e, 0x79));
    g.setColorAt(1, QColor(0x2e, 0x75, 0xb6));
    p.fillPath(card, g);
    // A folder with a sheet sticking out: the office's case files.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xf4, 0xb9, 0x42));
    p.drawRoundedRect(QRectF(14, 16, 16, 8), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(18, 13, 22, 20));
    p.setBrush(QColor(0xf4, 0xb9, 0x42));
    p.drawRoundedRect(QRectF(12, 21, 34, 22), 3, 3);
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(56, 4, 170, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Velmora"));
    f.setPixelSize(11);
    f.setBold(false);
    p.setFont(f);
    p.setPen(QColor(0xdd, 0xeb, 0xf7));
    p.drawText(QRectF(57, 34, 170, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("archivio pratiche"));
    return pm;
}

// The boxes of the dialogs layer are not forms of the program: coming back
// from one of them is no activation of the main window.
bool isOwnForm(QObject* o) {
    auto* w = qobject_cast<QWidget*>(o);
    if (!w || !w->isWindow()) return false;
    const Qt::WindowType t = w->windowType();
    if (t == Qt::Popup || t == Qt::ToolTip || t == Qt::SplashScreen) return false;
    return !(qobject_cast<QMessageBox*>(w) || qobject_cast<QInputDialog*>(w) || qobject_cast<QFileDialog*>(w) ||
             qobject_cast<QProgressDialog*>(w));
}

} // namespace

Form1::Form1(const QString& programFolder, QWidget* parent) : QMainWindow(parent), programFolder_(programFolder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Velmora versione 2.3"));

    QMenuBar* bar = menuBar();
    MenuPratiche = named(bar->addAction(QStringLiteral("Gestione &Pratiche")), "MenuPratiche");
    MenuClienti = named(bar->addAction(QStringLiteral("Gestione &Clienti")), "MenuClienti");
    MenuArchiviazione = named(bar->addMenu(QStringLiteral("Gestione &Archiviazione")), "MenuArchiviazione");
    MenuClassificazione =
        named(MenuArchiviazione->addAction(QStringLiteral("Nuova &Classificazione")), "MenuClassificazione");
    MenuRaccoglitore =
        named(MenuArchiviazione->addAction(QStringLiteral("Nuovo Raccoglitore/Faldone")), "MenuRaccoglitore");
    MnExcel = named(bar->addAction(QStringLiteral("&Excel")), "MnExcel");
    MnCoopertina = named(bar->addAction(QStringLiteral("Stampa &Copertina/Pratica")), "MnCoopertina");
    MSalvataggio = named(bar->addAction(QStringLiteral("&Salvataggio Archivio")), "MSalvataggio");
    MenuEsci = named(bar->addAction(QStringLiteral("&Esci dal programma")), "MenuEsci");
    // The menu bar is the way into the panels: the window keeps room for
    // every item of it rather than folding some behind an overflow arrow.
    setLeastWidth({bar}, 0);

    // The toolbar exists before the panels: the practice panel wires its
    // buttons when it is built.
    Toolbar1 = named(new QToolBar(this), "Toolbar1");
    Toolbar1->setOrientation(Qt::Vertical);
    Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    Toolbar1->setMovable(false);
    Toolbar1->setFloatable(false);
    const char* captions[] = {"Inserisci", "Selez.Nr.Pratica", "Ricerca/Modifica", "Stampa", "Pulisci", "Elimina",
                              "&Esci"};
    for (const char* c : captions) Toolbar1->addAction(QString::fromUtf8(c));

    Command40 = named(new QPushButton(QStringLiteral("&Istruzioni")), "Command40");
    Image1 = named(new ImageLabel, "Image1");
    Label45 = named(new QLabel, "Label45");
    Frame1 = new PracticePanel(*this);
    Frame2 = new NumberChooserPanel(*this);
    Frame3 = new ClientPanel(*this);
    Frame4 = new SectorPanel(*this);
    Frame5 = new BinderPanel(*this);
    Frame6 = new SearchPanel(*this);
    Frame8 = new LedgerPanel(*this);
    Frame1->setNumberChooser(Frame2);
    Frame1->setSearchPanel(Frame6);
    Frame6->setPracticePanel(Frame1);
    connect(Frame2, &NumberChooserPanel::numberChosen, Frame1, &PracticePanel::setNumber);
    connect(Frame1, &PracticePanel::ledgerRequested, this, [this] { guarded([this] { Frame8->Command28_Click(); }); });
    buildLayout();

    Timer1 = named(new QTimer(this), "Timer1");
    Timer2 = named(new QTimer(this), "Timer2");
    Timer3 = named(new QTimer(this), "Timer3");
    for (QTimer* t : {Timer1, Timer2, Timer3}) t->setInterval(1000);

    connect(MenuPratiche, &QAction::triggered, this, [this] { guarded([this] { MenuPratiche_Click(); }); });
    connect(MenuClienti, &QAction::triggered, this, [this] { guarded([this] { MenuClienti_Click(); }); });
    connect(MenuClassificazione, &QAction::triggered, this,
            [this] { guarded([this] { MenuClassificazione_Click(); }); });
    connect(MenuRaccoglitore, &QAction::triggered, this, [this] { guarded([this] { MenuRaccoglitore_Click(); }); });
    connect(MSalvataggio, &QAction::triggered, this, [this] { guarded([this] { MSalvataggio_Click(); }); });
    connect(MenuEsci, &QAction::triggered, this, [this] { guarded([this] { MenuEsci_Click(); }); });
    connect(MnExcel, &QAction::triggered, this, [this] { guarded([this] { MnExcel_Click(); }); });
    connect(MnCoopertina, &QAction::triggered, this, [this] { guarded([this] { MnCoopertina_Click(); }); });
    connect(Timer2, &QTimer::timeout, this, [this] { guarded([this] { Timer2_Timer(); }); });
    connect(Image1, &ImageLabel::mouseDown, this, [this] { guarded([this] { Image1_MouseDown(); }); });
    connect(Command40, &QPushButton::clicked, this, [this] { guarded([this] { Command40_Click(); }); });

    qApp->installEventFilter(this);
}

void Form1::buildLayout() {
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("central"));
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(8, 6, 8, 8);
    outer->setSpacing(6);

    // Top strip: help button, logo, IP address.
    auto* strip = new QHBoxLayout;
    Command40->setParent(central);
    setLeastWidth({Command40}, 110);
    Command40->setToolTip(QStringLiteral("Apre la guida del programma"));
    Image1->setParent(central);
    Image1->setPixmap(drawLogo());
    Image1->setToolTip(QStringLiteral("Vai al il mio sito !"));
    Image1->setCursor(Qt::PointingHandCursor);
    Label45->setParent(central);
    QFont lf = Label45->font();
    lf.setPointSizeF(lf.pointSizeF() + 1);
    Label45->setFont(lf);
    strip->addWidget(Command40, 0, Qt::AlignVCenter);
    strip->addSpacing(12);
    strip->addWidget(Image1, 0, Qt::AlignVCenter);
    strip->addStretch(1);
    strip->addWidget(Label45, 0, Qt::AlignVCenter);
    outer->addLayout(strip);

    // Body: the practice toolbar beside the panel area.
    auto* body = new QHBoxLayout;
    body->setSpacing(6);
    Toolbar1->setParent(central);
    body->addWidget(Toolbar1, 0, Qt::AlignTop);
    // The panel area keeps its room when no panel is open, so the top strip
    // stays at the top.
    auto* area = new QWidget(central);
    area->setObjectName(QStringLiteral("panelArea"));
    auto* panels = new QVBoxLayout(area);
    panels->setContentsMargins(0, 0, 0, 0);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, Frame4, Frame5, Frame6, Frame8}) {
        w->setParent(area);
        panels->addWidget(w, 1);
    }
    body->addWidget(area, 1);
    outer->addLayout(body, 1);
    setCentralWidget(central);

    resize(kPreferredSize);
}

// ---- the window on its screen ---------------------------------------------

QScreen* Form1::ownScreen() const { return screen() ? screen() : QGuiApplication::primaryScreen(); }

QSize Form1::frameExtra() const {
    const QSize extra = frameGeometry().size() - geometry().size();
    // Before the window manager has framed the window its frame is unknown:
    // a title bar and borders of the usual desktops are assumed.
    return isVisible() && (extra.width() > 0 || extra.height() > 0) ? extra : QSize(16, 48);
}

QSize Form1::roomOnScreen() const {
    const QScreen* s = ownScreen();
    return s ? s->availableGeometry().size() - frameExtra() : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void Form1::placeAtStart() {
    resize(kPreferredSize.expandedTo(minimumSizeHint()).boundedTo(roomOnScreen()));
    if (const QScreen* s = ownScreen()) {
        const QRect avail = s->availableGeometry();
        const QSize outer = size() + frameExtra();
        move(avail.x() + std::max(0, (avail.width() - outer.width()) / 2),
             avail.y() + std::max(0, (avail.height() - outer.height()) / 2));
    }
}

void Form1::keepOnScreen() {
    if (isMaximized() || isFullScreen()) return;
    const QScreen* s = ownScreen();
    if (!s) return;
    const QSize room = roomOnScreen();
    if (width() > room.width() || height() > room.height()) resize(size().boundedTo(room));
    const QRect avail = s->availableGeometry();
    const QRect outer = frameGeometry();
    const int x = std::clamp(outer.x(), avail.x(), std::max(avail.x(), avail.x() + avail.width() - outer.width()));
    const int y = std::clamp(outer.y(), avail.y(), std::max(avail.y(), avail.y() + avail.height() - outer.height()));
    if (x != outer.x() || y != outer.y()) move(x, y);
}

void Form1::switchPanels(std::initializer_list<std::pair<QWidget*, bool>> changes) {
    switchWidgets(std::vector<std::pair<QWidget*, bool>>(changes));
}

void Form1::switchWidgets(const std::vector<std::pair<QWidget*, bool>>& changes) {
    const QSize before = size();
    // Hidden first: the window never has to hold the old panel and the new
    // one at once.
    for (const auto& [w, visible] : changes)
        if (w && !visible) w->hide();
    for (const auto& [w, visible] : changes)
        if (w && visible) w->show();
    if (!isVisible() || isMaximized() || isFullScreen()) return;
    // The size the user left the window at is kept; a panel that needs more
    // gets it, within the screen, and gives it back when a smaller panel
    // follows.
    if (!grownForPanel_) restSize_ = before;
    if (QLayout* l = layout()) l->activate();
    const QSize want = restSize_.expandedTo(minimumSizeHint()).boundedTo(roomOnScreen());
    grownForPanel_ = want != restSize_;
    if (size() != want) resize(want);
    keepOnScreen();
}

Form1::~Form1() {
    // A save still being written answers to this window: it ends first.
    waitForSave();
    qApp->removeEventFilter(this);
    delete stampaP_;
    delete calendario_.data();
}

void Form1::switchPanels(std::initializer_list<std::pair<store::Panel, bool>> changes) {
    std::vector<std::pair<QWidget*, bool>> widgets;
    for (const auto& [panel, show] : changes) {
        QWidget* w = nullptr;
        switch (panel) {
        case store::Panel::Practice: w = Frame1; break;
        case store::Panel::NumberChooser: w = Frame2; break;
        case store::Panel::Client: w = Frame3; break;
        case store::Panel::Sector: w = Frame4; break;
        case store::Panel::Binder: w = Frame5; break;
        case store::Panel::Search: w = Frame6; break;
        case store::Panel::Ledger: w = Frame8; break;
        case store::Panel::Toolbar: w = Toolbar1; break;
        }
        widgets.emplace_back(w, show);
    }
    switchWidgets(widgets);
}

bool Form1::practiceShown() const { return shown(Frame1); }
store::SearchState Form1::lastSearch() const { return Frame6 ? Frame6->searchState() : store::SearchState{}; }
store::ShownPractice Form1::shownPractice() const { return Frame1 ? Frame1->shownPractice() : store::ShownPractice{}; }
bool Form1::printLabel() { return printing::printLabel(book_, shownPractice()); }

QString Form1::workbookPath() const { return programFolder_ + QLatin1Char('/') + store::kWorkbookFileName; }

QString Form1::siteAddress() { return QStringLiteral("https://www.velmora.it/"); }

QAction* Form1::toolbarButton(int index) const {
    const auto acts = Toolbar1->actions();
    return index >= 1 && index <= acts.size() ? acts[index - 1] : nullptr;
}

StampaP* Form1::stampaP() {
    if (!stampaP_) stampaP_ = new StampaP(*this);
    return stampaP_;
}

Calendario* Form1::calendario() {
    if (!calendario_) {
        Calendario* cal = new Calendario();
        calendario_ = cal;
        // The date goes to the date field of every panel shown.
        connect(cal, &Calendario::dateChosen, this, [this, cal](const QDate& d) {
            bool taken = Frame1->takeDate(d);
            taken = Frame3->takeDate(d) || taken;
            taken = Frame8->takeDate(d) || taken;
            if (taken) cal->take();
        });
        connect(cal, &Calendario::unloading, Frame8, &LedgerPanel::calendarUnloaded);
    }
    return calendario_;
}

// ---- start-up -------------------------------------------------------------

bool Form1::Form_Load() {
    for (const char* sub : {"Documenti", "Backup"}) {
        const QString path = programFolder_ + QLatin1Char('/') + QLatin1String(sub);
        // Any entry of that name, folder or file, is left as it is.
        if (!QFileInfo::exists(path)) QDir().mkpath(path);
    }

    Excel = xl::Application{};

    const QString path = workbookPath();
    bool locked = store::IsFileLocked(path) || !lock_.acquire(programFolder_);
    if (!locked) {
        // Only one copy of the program gets here for this folder: whatever
        // a save of ours left half-done is nobody's work in progress.
        fileprobe::removeLeftoverSaves(path);
        // From here on desktop spreadsheet programs open the workbook
        // read-only; a lock file that nobody holds any more is replaced.
        locked = !mark_.take(path, programFolder_);
    }
    if (locked) {
        releaseMarks();
        ui::dialogs().message(QStringLiteral("ERRORE: Risulta che il database Pratiche.xls è già aperto\n"
                                             " Occorre chiuderlo e  poi si potrà riaprire l'applicazione !"),
                              kTitle, ui::MsgIcon::Critical);
        endProgram();
        return false;
    }

    if (!store::VerifyFile(path)) {
        ui::dialogs().message(QStringLiteral("Impossibile eseguire il programma\r\nIl file ") + path +
                                  QStringLiteral(" non è stato trovato."),
                              QString(), ui::MsgIcon::None);
        releaseMarks();
        endProgram();
        return false;
    }

    QString problem;
    try {
        std::unique_ptr<xl::Workbook> read = preload_ ? preload_->take(path) : nullptr;
        if (read) {
            read->bind(path, store::workbookPassword());
            Excel.adopt(std::move(read));
        } else {
            Excel.Open(path, store::workbookPassword());
        }
        const QString missing = store::missingSheet(Excel.ActiveWorkbook());
        if (!missing.isEmpty()) problem = QStringLiteral("manca il foglio \"%1\"").arg(missing);
    } catch (const std::exception& e) {
        problem = fileProblem(e, false);
    }
    if (!problem.isEmpty()) {
        // Nothing has been written: the file stays exactly as it was.
        Excel.Close();
        ui::dialogs().message(QStringLiteral("Impossibile aprire il database Pratiche.xls: %1.\n"
                                             "Il file non è stato modificato e il programma verrà chiuso.")
                                  .arg(problem),
                              kTitle, ui::MsgIcon::Critical);
        releaseMarks();
        endProgram();
        return false;
    }

    Excel.Visible = false;

    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, Frame4, Frame5, Frame6, Frame8})
        w->hide();
    Toolbar1->hide();

    Label45->setText(QStringLiteral("Indirizzo IP:") + localIPv4());

    placeAtStart();

    for (QTimer* t : {Timer1, Timer2, Timer3}) t->start();
    loaded_ = true;
    return true;
}

// ---- activation, reset, lists --------------------------------------------

void Form1::Form_Activate() {
    ++activations_;
    xl::Workbook& book = Excel.ActiveWorkbook();
    store::FormatWorkbook(book);

    Frame1->SetUpPracticeList();
}

void Form1::ResetForm() {
    // Every text-carrying control of the window, in control order; setting a
    // text runs its change handler, as typing would. The scanner and
    // attachments forms hang on this window as children but are forms of
    // their own: their controls keep what they hold.
    const QList<QWidget*> controls = findChildren<QWidget*>();
    for (QWidget* w : controls) {
        if (w->window() != this) continue;
        skipping([w] {
            if (auto* combo = qobject_cast<QComboBox*>(w)) {
                if (combo->isEditable()) combo->setEditText(QString());
            } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
                // The edit fields inside combo and spin boxes belong to them.
                QWidget* owner = edit->parentWidget();
                if (!qobject_cast<QComboBox*>(owner) && !qobject_cast<QAbstractSpinBox*>(owner))
                    edit->setText(QString());
            } else if (auto* box = qobject_cast<MultiLineTextBox*>(w)) {
                box->setText(QString());
            }
        });
    }

    for (const char* name : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6", "Check7", "Check10"}) {
        for (QCheckBox* box : findChildren<QCheckBox*>(QLatin1String(name)))
            if (box->window() == this) skipping([box] { box->setChecked(false); });
    }

    skipping([this] { Frame1->FillPracticeList(); });
    skipping([this] { Frame1->SortPracticeSheet(); });
    skipping([this] { Frame3->showCounter(); });
}

// ---- saving and ending ----------------------------------------------------

bool Form1::saveAllowed(xl::Workbook& book, QString* why) {
    // A save writes a new file and renames it over the old one, which would
    // quietly replace a workbook that someone made read-only; such a file is
    // refused as the spreadsheet application refuses it.
    const QFileInfo file(book.FullName());
    if (file.exists() &&
        !(file.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther))) {
        if (why) *why = QStringLiteral("il file è di sola lettura");
        return false;
    }
    // Whatever the save cannot write back is kept in the file as it was,
    // copied from the disk once no save of ours is still changing it.
    if (!book.notKept.isEmpty()) book.WaitForSave();
    return store::keepOriginalBeforeSave(book, programFolder_ + QStringLiteral("/Backup"), why, !sessionEnding_);
}

bool Form1::saveQuietly(QString* why) {
    {
        // What a save still being written holds is in this one too.
        const QScopedValueRollback<bool> repeated(saveRepeated_, true);
        waitForSave();
    }
    try {
        Excel.ScreenUpdating = false;
        xl::Workbook& book = Excel.ActiveWorkbook();
        if (!saveAllowed(book, why)) return false;
        book.Save();
        // The save put a new file in the old one's place.
        mark_.retake();
        return true;
    } catch (const std::exception& e) {
        if (why) *why = fileProblem(e, true);
        return false;
    }
}

bool Form1::startSave() {
    QString why;
    try {
        Excel.ScreenUpdating = false;
        xl::Workbook& book = Excel.ActiveWorkbook();
        if (saveAllowed(book, &why)) {
            book.SaveInBackground([this](std::exception_ptr failure) { saveFinished(failure); });
            return true;
        }
    } catch (const std::exception& e) {
        why = fileProblem(e, true);
    }
    tellSaveFailed(why);
    return false;
}

void Form1::saveFinished(std::exception_ptr failure) {
    lastSaveOk_ = !failure;
    if (!failure) {
        // The save put a new file in the old one's place.
        mark_.retake();
        return;
    }
    QString why;
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        why = fileProblem(e, true);
    } catch (...) {
        why = fileProblem(std::runtime_error("?"), true);
    }
    if (saveRepeated_) return;
    if (sessionEnding_) {
        qWarning("Velmora: il database Pratiche.xls non è stato salvato: %s", qPrintable(why));
        return;
    }
    tellSaveFailed(why);
}

void Form1::tellSaveFailed(const QString& why) {
    ui::dialogs().message(QStringLiteral("Impossibile salvare il database Pratiche.xls: %1.\n"
                                         "Le modifiche sono ancora nel programma ma non sono state scritte nel file.")
                              .arg(why),
                          kTitle, ui::MsgIcon::Critical);
}

bool Form1::SaveWorkbook() {
    lastSaveOk_ = false;
    if (!startSave()) return false;
    waitForSave();
    return lastSaveOk_;
}

void Form1::waitForSave() {
    if (Excel.hasWorkbook()) Excel.ActiveWorkbook().WaitForSave();
}

void Form1::releaseMarks() {
    mark_.release();
    lock_.release();
}

void Form1::closeAndEnd() {
    skipping([this] { Excel.Close(); });
    skipping([this] { Excel.Quit(); });
    releaseMarks();
    endProgram();
}

void Form1::endSession() {
    if (!loaded_ || ended_) return;
    Excel.DisplayAlerts = false;
    // Nobody is there to read a box while the session ends.
    sessionEnding_ = true;
    QString why;
    if (!saveQuietly(&why)) qWarning("Velmora: il database Pratiche.xls non è stato salvato: %s", qPrintable(why));
    closeAndEnd();
}

void Form1::MenuEsci_Click() {
    Excel.DisplayAlerts = false;
    QString why;
    if (!saveQuietly(&why)) {
        const bool leave =
            ui::dialogs().question(QStringLiteral("Impossibile salvare il database Pratiche.xls: %1.\n"
                                                  "Uscendo ora le modifiche non salvate andranno perse.\n"
                                                  "Vuoi uscire senza salvare?")
                                       .arg(why),
                                   kTitle, ui::DefaultAnswer::No);
        if (!leave) return;
    }
    closeAndEnd();
}

void Form1::MnExcel_Click() {
    // The engine lives in this process: whatever is not on disk when the
    // program ends is gone, so the workbook is saved before it is handed over.
    QString why;
    if (!saveQuietly(&why)) {
        const bool go = ui::dialogs().question(
            QStringLiteral("Impossibile salvare il database Pratiche.xls: %1.\n"
                           "Proseguendo il programma si chiude e le modifiche non salvate andranno perse.\n"
                           "Vuoi proseguire senza salvare?")
                .arg(why),
            kTitle, ui::DefaultAnswer::No);
        if (!go) return;
    }
    skipping([this] { Excel.Close(); });
    // The spreadsheet program must find the workbook free.
    releaseMarks();
    if (!shell::open(QUrl::fromLocalFile(workbookPath()))) {
        ui::dialogs().message(
            QStringLiteral("Nessun programma del sistema ha potuto aprire il database Pratiche.xls.\n"
                           "Per lavorare sul file serve un foglio di calcolo, per esempio LibreOffice Calc."),
            kTitle, ui::MsgIcon::Information);
    }
    endProgram();
}

void Form1::closeEvent(QCloseEvent* e) {
    // Form_QueryUnload: the window is never closed from outside; the program
    // ends through its exit menu item.
    e->ignore();
}

void Form1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!e->spontaneous()) framePending_ = true;
    // The first showing counts as an activation even where the window system
    // gives the window no focus (no window manager, focus-stealing rules).
    if (!e->spontaneous() && !activatedOnce_ && loaded_ && !ended_) {
        activatedOnce_ = true;
        ownFormActivated_ = false;
        guarded([this] { Form_Activate(); });
    }
}

bool Form1::event(QEvent* e) {
    // The start size assumed a frame; once the window manager has put its
    // own around the window, the whole of it is brought within the screen.
    if (framePending_ && (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Expose) &&
        frameGeometry().size() != geometry().size()) {
        framePending_ = false;
        keepOnScreen();
    }
    if (e->type() == QEvent::WindowActivate && loaded_ && !ended_) {
        // Runs on the first showing and on coming back from one of the
        // program's own forms; not on coming back from another program.
        if (!activatedOnce_ || ownFormActivated_) {
            activatedOnce_ = true;
            ownFormActivated_ = false;
            guarded([this] { Form_Activate(); });
        }
    }
    return QMainWindow::event(e);
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::WindowActivate && watched != this && isOwnForm(watched)) ownFormActivated_ = true;
    return QMainWindow::eventFilter(watched, e);
}

void Form1::endProgram() {
    if (ended_) return;
    ended_ = true;
    for (QTimer* t : {Timer1, Timer2, Timer3}) t->stop();
    if (stampaP_) stampaP_->hide();
    if (calendario_) calendario_->hide();
    hide();
    emit programEnded();
}

// ---- menus ------------------------------------------------------------------

void Form1::MenuPratiche_Click() {
    switchPanels({{Frame8, false},
                  {Frame6, false},
                  {Frame1, true},
                  {Frame3, false},
                  {Frame4, false},
                  {Frame5, false},
                  {Frame2, false},
                  {Toolbar1, true}});
    Frame1->LoadBinderCombo();
    Frame1->LoadClientCombo();
    Frame1->LoadSectorCombo();
    ResetForm();
    Frame1->focusOpeningDate();
}

void Form1::MenuClienti_Click() {
    ResetForm();
    switchPanels({{Frame8, false},
                  {Frame6, false},
                  {Frame3, true},
                  {Frame2, false},
                  {Frame4, false},
                  {Frame5, false},
                  {Frame1, false},
                  {Toolbar1, false}});
    Frame3->openPanel();
}

void Form1::MenuClassificazione_Click() {
    switchPanels({{Frame6, false}, {Frame8, false}});
    skipping([this] {
        switchPanels(
            {{Frame1, false}, {Frame2, false}, {Frame3, false}, {Frame5, false}, {Frame4, true}, {Toolbar1, false}});
    });
    skipping([this] { ResetForm(); });
    Frame4->openPanel();
}

void Form1::MenuRaccoglitore_Click() {
    ResetForm();
    switchPanels({{Frame8, false},
                  {Frame6, false},
                  {Frame1, false},
                  {Frame2, false},
                  {Frame3, false},
                  {Frame4, false},
                  {Frame5, true},
                  {Toolbar1, false}});
    Frame5->openPanel();
}

void Form1::MSalvataggio_Click() {
    if (!ui::dialogs().question(QStringLiteral(" Vuoi eseguire una copia del database ?"), kTitle)) {
        ui::dialogs().message(QStringLiteral(" Operazione Annullata"), kTitle, ui::MsgIcon::Information);
        return;
    }
    Excel.EnableEvents = false;
    Excel.DisplayAlerts = false;
    const QString target = programFolder_ + QStringLiteral("/Backup/PraticheBackup.xls");
    QString why;
    try {
        // A copy: the open workbook stays bound to Pratiche.xls.
        Excel.ActiveWorkbook().SaveAs(target, store::workbookPassword(), /*keepBinding=*/true);
    } catch (const std::exception& e) {
        why = fileProblem(e, true);
    }
    if (why.isEmpty()) {
        ui::dialogs().message(
            QStringLiteral(" Salvataggio Eseguito Correttamente , il file creato è : PraticheBackup.xls\r\n"
                           " Per ripristinare un salvataggio , guarda come fare nelle istruzioni"),
            kTitle, ui::MsgIcon::Information);
    } else {
        ui::dialogs().message(
            QStringLiteral("Impossibile eseguire la copia del database in %1: %2.\n"
                           "La copia non è stata creata; una copia precedente, se c'era, è rimasta com'era.")
                .arg(QDir::toNativeSeparators(target), why),
            kTitle, ui::MsgIcon::Critical);
    }
    Excel.EnableEvents = true;
}

void Form1::Timer2_Timer() {
    Frame1->showClock(QStringLiteral("Ore...") + QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
}

void Form1::Image1_MouseDown() {
    Image1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image1->setLineWidth(1);
    shell::open(QUrl(siteAddress()));
}

void Form1::Command40_Click() { OpenDocument(this, programFolder_ + QStringLiteral("/Guida.pdf")); }

void Form1::OpenDocument(QWidget*, const QString& path) { shell::open(QUrl::fromLocalFile(path)); }

void Form1::requestPrint(int code) { stampaP()->request(code); }

void Form1::MnCoopertina_Click() {
    if (ui::dialogs().question(printing::msg::kBlankCover, printing::msg::kTitle)) {
        requestPrint(StampaP::BlankCover);
        return;
    }
    if (printing::practiceForCover(*this)) requestPrint(StampaP::FilledCover);
}
