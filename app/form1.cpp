#include "app/form1.h"

#include "app/calendario.h"
#include "app/controls.h"
#include "app/named.h"
#include "ledger/ledgerpanel.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "printing/stampap.h"
#include "reference/clientpanel.h"
#include "reference/sectorbinder.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

Form1::Form1(const QString& programFolder, QWidget* parent) : QMainWindow(parent), programFolder_(programFolder) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Velmora versione 2.3"));

    QMenuBar* bar = menuBar();
    MenuPratiche = named(bar->addAction(QStringLiteral("Gestione &Pratiche")), "MenuPratiche");
    MenuClienti = named(bar->addAction(QStringLiteral("Gestione &Clienti")), "MenuClienti");
    MenuArchiviazione = named(bar->addMenu(QStringLiteral("Gestione &Archiviazione")), "MenuArchiviazione");
    MenuClassificazione = named(MenuArchiviazione->addAction(QStringLiteral("Nuova &Classificazione")), "MenuClassificazione");
    MenuRaccoglitore = named(MenuArchiviazione->addAction(QStringLiteral("Nuovo Raccoglitore/Faldone")), "MenuRaccoglitore");
    MnExcel = named(bar->addAction(QStringLiteral("&Excel")), "MnExcel");
    MnCoopertina = named(bar->addAction(QStringLiteral("Stampa &Copertina/Pratica")), "MnCoopertina");
    MSalvataggio = named(bar->addAction(QStringLiteral("&Salvataggio Archivio")), "MSalvataggio");
    MenuEsci = named(bar->addAction(QStringLiteral("&Esci dal programma")), "MenuEsci");

    Toolbar1 = named(new QToolBar(this), "Toolbar1");
    const char* captions[] = {"Inserisci", "Selez.Nr.Pratica", "Ricerca/Modifica", "Stampa", "Pulisci", "Elimina", "&Esci"};
    for (const char* c : captions) Toolbar1->addAction(QString::fromUtf8(c));
    addToolBar(Qt::LeftToolBarArea, Toolbar1);

    auto* central = new QWidget(this);
    auto* lay = new QVBoxLayout(central);
    Command40 = named(new QPushButton(QStringLiteral("&Istruzioni"), central), "Command40");
    Image1 = named(new ImageLabel(central), "Image1");
    Label45 = named(new QLabel(central), "Label45");
    lay->addWidget(Command40);
    lay->addWidget(Image1);
    lay->addWidget(Label45);
    Frame1 = new PracticePanel(*this);
    Frame2 = new NumberChooserPanel(*this);
    Frame3 = new ClientPanel(*this);
    Frame4 = new SectorPanel(*this);
    Frame5 = new BinderPanel(*this);
    Frame6 = new SearchPanel(*this);
    Frame8 = new LedgerPanel(*this);
    for (QWidget* w : std::initializer_list<QWidget*>{Frame1, Frame2, Frame3, Frame4, Frame5, Frame6, Frame8})
        lay->addWidget(w);
    setCentralWidget(central);

    Timer1 = named(new QTimer(this), "Timer1");
    Timer2 = named(new QTimer(this), "Timer2");
    Timer3 = named(new QTimer(this), "Timer3");
    for (QTimer* t : {Timer1, Timer2, Timer3}) t->setInterval(1000);
}

Form1::~Form1() {
    delete stampaP_;
    delete calendario_;
}

QString Form1::workbookPath() const { return programFolder_ + QStringLiteral("/Pratiche.xls"); }

QAction* Form1::toolbarButton(int index) const {
    const auto acts = Toolbar1->actions();
    return index >= 1 && index <= acts.size() ? acts[index - 1] : nullptr;
}

StampaP* Form1::stampaP() {
    if (!stampaP_) stampaP_ = new StampaP(*this);
    return stampaP_;
}

Calendario* Form1::calendario() {
    if (!calendario_) calendario_ = new Calendario(*this);
    return calendario_;
}

bool Form1::Form_Load() { return true; }
void Form1::Form_Activate() {}
void Form1::ResetForm() {}
void Form1::FillPracticeList() {}
void Form1::SortPracticeSheet() {}
void Form1::LoadBinderCombo() {}
void Form1::LoadClientCombo() {}
void Form1::LoadSectorCombo() {}
void Form1::LoadSearchClientCombo() {}
void Form1::LoadLedgerPracticeCombo() {}
bool Form1::SaveWorkbook() { return true; }
void Form1::OpenDocument(QWidget*, const QString&) {}
void Form1::requestPrint(int code) {
    stampaP()->Text1->setText(QString::number(code));
    stampaP()->show();
}
void Form1::MenuPratiche_Click() {}
void Form1::MenuClienti_Click() {}
void Form1::MenuClassificazione_Click() {}
void Form1::MenuRaccoglitore_Click() {}
void Form1::MSalvataggio_Click() {}
void Form1::MenuEsci_Click() {}
void Form1::MnExcel_Click() {}
void Form1::MnCoopertina_Click() {}
void Form1::Timer2_Timer() {}
void Form1::Image1_MouseDown() {}
void Form1::Command40_Click() {}

void Form1::closeEvent(QCloseEvent* e) { e->ignore(); }
bool Form1::event(QEvent* e) { return QMainWindow::event(e); }
void Form1::endProgram() {
    ended_ = true;
    emit programEnded();
}
