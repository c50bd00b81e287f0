#include "ledger/ledgerpanel.h"

#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "app/form1.h"
#include "platform/desktop/named.h"
#include "ledger/ledgerbook.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "practices/practicecommon.h"
#include "practices/practicepanel.h"
#include "practices/searchpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorbinder.h"
#include "store/formatters.h"
#include "store/money.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QToolBar>
#include <QVBoxLayout>

using namespace ledger;
using practices::guarded;
using practices::isBlank;

namespace {

const QString kTitle = QStringLiteral("Velmora");
const QString kTitleBlank = QStringLiteral(" Velmora");
const QString kSeleziona = QStringLiteral("Seleziona");
const QString kCounterCell = QStringLiteral("IV1");

const QString kMissingFields = QStringLiteral(
    "ERRORE : I campi -N.PRATICA- DATA-DESCRIZIONE-IMPORTO-ACCONTO-SPESA , devono  essere compilati !");
const QString kNothingShown = QStringLiteral("ERRORE:Manca la visualizzazione dei campi per effettuare la Modifica ");
const QString kSelectFirst = QStringLiteral("ERRORE: Prima bisogna selezionare una Registrazione!");
const QString kNoEntries = QStringLiteral("Nessuna  Registrazione è presente ! , Riprova!");
const QString kNoPracticeEntries = QStringLiteral("Nessuna SPESA  associata a questa Pratica , Riprova!");
const QString kNoClientEntries = QStringLiteral("Nessuna Registrazione   associata a questo Cliente , Riprova!");

void info(const QString& text, const QString& title = kTitle) {
    ui::dialogs().message(text, title, ui::MsgIcon::Information);
}
void plain(const QString& text) { ui::dialogs().message(text, kTitle, ui::MsgIcon::None); }
bool ask(const QString& text) { return ui::dialogs().question(text, kTitle); }

// Writes one cell of an entry; an empty text leaves the cell empty, so that
// every reader sees it as blank.
void put(xl::Worksheet& sh, int row, int col, const xl::Value& v) {
    xl::Range cell = sh.Cells(row, col);
    if (isBlank(v))
        cell.ClearContents();
    else
        cell.SetValue(v);
}

using store::Money;

// An amount read from a box as the user sees it; anything else counts zero.
Money boxAmount(const QLineEdit* box) { return Money::parse(box->text()).value_or(Money()); }

// The ID cell of the summary rows that close a query by practice.
const QString kSummaryMark = QStringLiteral("*");

// The first selected row in list order (the row clicked); nullptr for none.
QTreeWidgetItem* firstSelected(const ListView* list) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->isSelected()) return list->topLevelItem(i);
    return nullptr;
}

void setBackground(QLineEdit* box, const QColor& c) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, c);
    box->setPalette(p);
}

} // namespace

LedgerPanel::LedgerPanel(Form1& f) : QGroupBox(QStringLiteral("Gestione Acconti/Spese")), form(f) {
    setObjectName(QStringLiteral("Frame8"));
    Text30 = named(new QLineEdit(this), "Text30");
    Combo8 = named(new QComboBox(this), "Combo8");
    Text32 = named(new QLineEdit(this), "Text32");
    Combo9 = named(new QComboBox(this), "Combo9");
    Text33 = named(new QLineEdit(this), "Text33");
    Option1 = named(new QRadioButton(this), "Option1");
    Option1->setAutoExclusive(false);
    Text34 = named(new QLineEdit(this), "Text34");
    Text35 = named(new QLineEdit(this), "Text35");
    Text36 = named(new QLineEdit(this), "Text36");
    Check10 = named(new QCheckBox(QStringLiteral("Acconto"), this), "Check10");
    Check17 = named(new QCheckBox(QStringLiteral("Spesa"), this), "Check17");
    Text38 = named(new QLineEdit(this), "Text38");
    Text39 = named(new QLineEdit(this), "Text39");
    Text40 = named(new QLineEdit(this), "Text40");
    Frame7 = named(new QGroupBox(this), "Frame7");
    Check11 = named(new QCheckBox(QStringLiteral("Interroga/Modifica  Registrazioni per Pratica  e Saldo Scheda"), Frame7), "Check11");
    Check12 = named(new QCheckBox(QStringLiteral("Interroga/Modifica Registrazione per Cliente "), Frame7), "Check12");
    Check13 = named(new QCheckBox(QStringLiteral("Elimina Spesa  "), Frame7), "Check13");
    Check14 = named(new QCheckBox(QStringLiteral("Modifica ID Operazione  "), Frame7), "Check14");
    Check15 = named(new QCheckBox(QStringLiteral("Visualizza Registrazioni"), Frame7), "Check15");
    ListView3 = named(new ListView(this), "ListView3");
    Command29 = named(new QPushButton(insertCaption(), this), "Command29");
    Command30 = named(new QPushButton(QStringLiteral("&Pulisci"), this), "Command30");
    Command27 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command27");
    Command31 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command31");

    auto label = [this](const char* name, const QString& text, QWidget* buddy) {
        auto* l = named(new QLabel(text, this), name);
        if (buddy) l->setBuddy(buddy);
        return l;
    };
    Label37 = label("Label37", QStringLiteral("ID"), Text30);
    Label38 = label("Label38", QStringLiteral("N. Pratica"), Combo8);
    Label39 = label("Label39", QStringLiteral("Cliente"), Text32);
    Label40 = label("Label40", QStringLiteral("Data 00/00/0000"), Text33);
    Label41 = label("Label41", QStringLiteral("Descrizione"), Text34);
    Label42 = label("Label42", QStringLiteral("Seleziona il N.di Pratica"), nullptr);
    Label43 = label("Label43", QStringLiteral("Importo"), Text35);
    Label44 = label("Label44", QStringLiteral("Seleziona per modificare la registrazione"), ListView3);
    Label47 = label("Label47", QStringLiteral("+/-"), Text36);
    Label49 = label("Label49", QStringLiteral("Preventivo  "), Text38);
    Label50 = label("Label50", QStringLiteral("S/Scheda  "), Text39);
    Label51 = label("Label51", QStringLiteral("Saldo  "), Text40);

    for (QComboBox* c : {Combo8, Combo9}) {
        c->setEditable(true);
        // An entry's place in the list is its row on the sheet: a typed text
        // must never become an entry of its own.
        c->setInsertPolicy(QComboBox::NoInsert);
    }
    Text30->setReadOnly(true);
    Text30->setAlignment(Qt::AlignCenter);
    setBackground(Text30, Qt::white);
    Text32->setReadOnly(true);
    Text33->setMaxLength(10);
    Text33->setAlignment(Qt::AlignCenter);
    Text35->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text35->setToolTip(QStringLiteral("Come separatore decimale si può usare il punto del tastierino numerico"));
    Text36->setReadOnly(true);
    Text36->setAlignment(Qt::AlignCenter);
    setBackground(Text36, QColor(0xFF, 0xFF, 0x80));
    const QColor lightOrange(0xFF, 0xDC, 0xB4);
    for (QLineEdit* e : {Text38, Text39, Text40}) {
        e->setReadOnly(true);
        setBackground(e, lightOrange);
    }
    Text38->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text39->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text40->setAlignment(Qt::AlignCenter);
    Option1->setToolTip(QStringLiteral("Calendario"));
    QFont bold = Label42->font();
    bold.setBold(true);
    Label42->setFont(bold);
    Label42->setStyleSheet(QStringLiteral("color: #a02020;"));
    Label42->hide();
    Combo9->hide();
    ListView3->setFitColumns(true);
    ListView3->hide();

    buildLayout();
    connectHandlers();
}

QString LedgerPanel::insertCaption() { return QStringLiteral("&Inserisci"); }
QString LedgerPanel::modifyCaption() { return QStringLiteral("&Modifica"); }

void LedgerPanel::buildLayout() {
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(6);
    fields->addWidget(Label42, 0, 1, 1, 5);
    // Row 1: ID, practice number, client (or the client chooser in its place).
    Text30->setFixedWidth(80);
    Combo8->setFixedWidth(150);
    fields->addWidget(Label37, 1, 0);
    fields->addWidget(Text30, 1, 1);
    auto* practiceRow = new QHBoxLayout;
    practiceRow->setSpacing(8);
    practiceRow->addSpacing(16);
    practiceRow->addWidget(Label38);
    practiceRow->addWidget(Combo8);
    practiceRow->addStretch(1);
    fields->addLayout(practiceRow, 1, 2);
    fields->addWidget(Label39, 1, 3);
    fields->addWidget(Text32, 1, 4, 1, 2);
    fields->addWidget(Combo9, 1, 4, 1, 2);
    // Row 2: date with the calendar, description.
    Text33->setFixedWidth(100);
    fields->addWidget(Label40, 2, 0);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(Text33);
    dateRow->addWidget(Option1);
    dateRow->addStretch(1);
    fields->addLayout(dateRow, 2, 1, 1, 2);
    fields->addWidget(Label41, 2, 3);
    fields->addWidget(Text34, 2, 4, 1, 2);
    // Row 3: amount, sign and kind.
    Text35->setFixedWidth(130);
    Text36->setFixedWidth(36);
    fields->addWidget(Label43, 3, 0);
    fields->addWidget(Text35, 3, 1);
    auto* kindRow = new QHBoxLayout;
    kindRow->setSpacing(8);
    kindRow->addSpacing(16);
    kindRow->addWidget(Label47);
    kindRow->addWidget(Text36);
    kindRow->addSpacing(16);
    kindRow->addWidget(Check10);
    kindRow->addSpacing(8);
    kindRow->addWidget(Check17);
    kindRow->addStretch(1);
    fields->addLayout(kindRow, 3, 2, 1, 4);
    // Row 4: the balances of the chosen practice, always in view.
    for (QLineEdit* e : {Text38, Text39, Text40}) e->setFixedWidth(130);
    auto* balances = new QHBoxLayout;
    for (auto [l, e] : {std::pair<QLabel*, QLineEdit*>{Label49, Text38}, {Label50, Text39}, {Label51, Text40}}) {
        balances->addWidget(l);
        balances->addWidget(e);
        balances->addSpacing(14);
    }
    balances->addStretch(1);
    fields->addLayout(balances, 4, 0, 1, 6);
    fields->setColumnStretch(5, 1);
    // Boxes hidden by a mode keep their room, so the layout does not jump.
    for (QWidget* w : std::initializer_list<QWidget*>{Label42, Text30, Label37, Combo8, Label38, Text33, Option1, Label40, Text34,
                                                      Label41, Text35, Label43, Text36, Label47, Check10, Check17}) {
        QSizePolicy sp = w->sizePolicy();
        sp.setRetainSizeWhenHidden(true);
        w->setSizePolicy(sp);
    }

    auto* modes = new QVBoxLayout(Frame7);
    modes->setSpacing(3);
    for (QCheckBox* c : {Check11, Check12, Check13, Check14, Check15}) modes->addWidget(c);

    auto* top = new QHBoxLayout;
    top->addLayout(fields, 1);
    top->addSpacing(12);
    top->addWidget(Frame7, 0, Qt::AlignTop);

    auto* buttons = new QHBoxLayout;
    setLeastWidth({Command29, Command30, Command31, Command27}, 140);
    for (QPushButton* b : {Command29, Command30, Command31, Command27}) buttons->addWidget(b);
    buttons->addStretch(1);

    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addSpacing(4);
    lay->addWidget(Label44);
    lay->addWidget(ListView3, 1);
    lay->addStretch(0);
    lay->addLayout(buttons);
}

void LedgerPanel::connectHandlers() {
    auto on = [this](auto* sender, auto signal, void (LedgerPanel::*handler)()) {
        connect(sender, signal, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    };
    on(Command27, &QPushButton::clicked, &LedgerPanel::Command27_Click);
    on(Command29, &QPushButton::clicked, &LedgerPanel::Command29_Click);
    on(Command30, &QPushButton::clicked, &LedgerPanel::Command30_Click);
    on(Command31, &QPushButton::clicked, &LedgerPanel::Command31_Click);
    on(Check10, &QCheckBox::toggled, &LedgerPanel::Check10_Click);
    on(Check11, &QCheckBox::toggled, &LedgerPanel::Check11_Click);
    on(Check12, &QCheckBox::toggled, &LedgerPanel::Check12_Click);
    on(Check13, &QCheckBox::toggled, &LedgerPanel::Check13_Click);
    on(Check14, &QCheckBox::toggled, &LedgerPanel::Check14_Click);
    on(Check15, &QCheckBox::toggled, &LedgerPanel::Check15_Click);
    on(Check17, &QCheckBox::toggled, &LedgerPanel::Check17_Click);
    on(Option1, &QRadioButton::toggled, &LedgerPanel::Option1_Click);
    on(Text33, &QLineEdit::textChanged, &LedgerPanel::Text33_Change);
    on(ListView3, &QTreeWidget::itemClicked, &LedgerPanel::ListView3_ItemClick);
    on(Combo9, &QComboBox::activated, &LedgerPanel::Combo9_Click);
    connect(Combo8, &QComboBox::activated, this, [this](int index) { guarded([&] { Combo8_Click(index); }); });
    // Once the ID box shows anything but the loaded entry's ID, that entry
    // is no longer the one a modify or a delete would act on.
    connect(Text30, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!loading_ && !loaded_.isEmpty() && t != loaded_.first()) loaded_.clear();
    });
    Text35->installEventFilter(this);
    if (form.Frame1 && form.Frame1->Command28)
        connect(form.Frame1->Command28, &QPushButton::clicked, this, [this] { guarded([this] { Command28_Click(); }); });
}

bool LedgerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text35) {
        if (event->type() == QEvent::KeyPress) {
            // The point of the numeric keypad types the decimal comma.
            if (static_cast<QKeyEvent*>(event)->text() == QStringLiteral(".")) {
                Text35->insert(QStringLiteral(","));
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            guarded([this] { Text35_LostFocus(); });
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Small steps

void LedgerPanel::setShown(std::initializer_list<QWidget*> widgets, bool visible) {
    const QList<QLabel*> labels = findChildren<QLabel*>();
    for (QWidget* w : widgets) {
        w->setVisible(visible);
        // A box's caption goes and comes with it.
        for (QLabel* l : labels)
            if (l->buddy() == w && l != Label44) l->setVisible(visible);
    }
}

QString LedgerPanel::counterText() const {
    return vb::CStr(form.Excel.Sheets(kSpese).GetRange(kCounterCell).GetValue());
}

void LedgerPanel::showCounter() { Text30->setText(counterText()); }

void LedgerPanel::untick(std::initializer_list<QCheckBox*> boxes) {
    for (QCheckBox* b : boxes)
        if (b != entering_) b->setChecked(false);
}

// ---------------------------------------------------------------------------
// Opening, leaving, clearing, printing

void LedgerPanel::Command28_Click() {
    form.switchPanels({{form.Frame1, false}, {form.Frame3, false}, {form.Frame4, false}, {form.Frame5, false},
                       {form.Frame6, false}, {form.Toolbar1, false}, {this, true}});
    ListView3->hide();
    Combo8->setFocus();
    Label42->hide();
    xl::Range counter = form.Excel.Sheets(kSpese).GetRange(kCounterCell);
    if (vb::CStr(counter.GetValue()).isEmpty()) counter.SetValue(xl::Value(1));
    showCounter();
    form.LoadLedgerPracticeCombo();
    Combo8->setEditText(kSeleziona);
    Combo9->hide();
}

void LedgerPanel::Command27_Click() {
    form.switchPanels({{this, false}});
    form.ResetForm();
    untick({Check10, Check11, Check12});
    form.switchPanels({{form.Frame1, true}, {form.Toolbar1, true}});
}

void LedgerPanel::Command30_Click() {
    form.ResetForm();
    ListView3->removeItems();
    showCounter();
    untick({Check10, Check11, Check12, Check13, Check14, Check15, Check17});
    Combo9->hide();
    Command29->setText(insertCaption());
    Combo8->setFocus();
    Option1->setChecked(false);
    Combo8->setEditText(kSeleziona);
}

void LedgerPanel::Command31_Click() {
    if (Check11->isChecked() || Check12->isChecked()) form.requestPrint(14);
    if (Check15->isChecked()) {
        untick({Check11, Check12, Check13, Check14});
        form.requestPrint(15);
    }
}

// ---------------------------------------------------------------------------
// The mode box

void LedgerPanel::Check11_Click() {
    if (Check11->isChecked()) {
        QCheckBox* outer = std::exchange(entering_, Check11);
        untick({Check12, Check13, Check14, Check15});
        entering_ = outer;
        Label42->setText(QStringLiteral("Seleziona N. di Pratica"));
        Label42->show();
        Command29->setText(modifyCaption());
        setShown({Text30, Text33, Text34, Text35, Check10, Check17, Text36, Option1}, false);
        Text32->clear();
        Combo8->setEditText(kSeleziona);
        return;
    }
    Label42->hide();
    Command29->setText(insertCaption());
    setShown({Text30, Text33, Text34, Text35, Text36, Check10}, true);
    ListView3->removeItems();
    Combo8->setEditText(kSeleziona);
    Text32->clear();
    setShown({Check17, Text36, Option1}, true);
    ListView3->hide();
    form.ResetForm();
    showCounter();
}

void LedgerPanel::Check12_Click() {
    if (Check12->isChecked()) {
        QCheckBox* outer = std::exchange(entering_, Check12);
        untick({Check11, Check13, Check14, Check15});
        entering_ = outer;
        Label42->setText(QStringLiteral("Seleziona il Cliente"));
        Label42->show();
        Command29->setText(modifyCaption());
        setShown({Check17, Text30, Text32, Text33, Text34, Text35, Combo8, Check10, Text36}, false);
        Combo9->show();
        Label39->show(); // the chooser takes the client box's place and caption
        Option1->hide();
        Combo9->clear();
        LoadDistinctLedgerClients(form);
        return;
    }
    Label42->hide();
    Command29->setText(insertCaption());
    setShown({Text30, Text33, Text34, Text35, Check10, Combo8, Text36, Text32, Check17}, true);
    ListView3->removeItems();
    ListView3->hide();
    Combo8->setEditText(kSeleziona);
    Text32->clear();
    Combo9->hide();
    Option1->show();
}

void LedgerPanel::Check15_Click() {
    if (!Check15->isChecked()) {
        untick({Check10, Check11, Check12, Check13, Check14});
        ListView3->removeItems();
        ListView3->hide();
        return;
    }
    ListView3->show();
    QCheckBox* outer = std::exchange(entering_, Check15);
    untick({Check11, Check12, Check13, Check14});
    entering_ = outer;
    // Leaving a query mode hides the list; this mode shows it.
    ListView3->show();
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    // Rows without an ID are no entries: a ledger of only such rows is empty.
    const std::vector<QStringList> rows = entryRows(sh);
    if (rows.empty()) {
        plain(kNoEntries);
        Check15->setChecked(false);
        return;
    }
    ListView3->removeItems();
    ListView3->removeColumns();
    const QStringList& captions = areaHeaders();
    const int widths[] = {900, 1000, 3000, 1500, 3000, 900, 1500};
    for (int i = 0; i < kEntryColumns; ++i)
        ListView3->addColumn(captions[i], widths[i], i == ColAmount - 1 ? Qt::AlignRight : Qt::AlignLeft);
    practices::skipping([&] {
        for (const QStringList& row : rows) ListView3->addItem(row);
    });
}

void LedgerPanel::listAllEntries() {
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    for (const QStringList& row : entryRows(sh)) ListView3->addItem(row);
}

void LedgerPanel::Check10_Click() {
    if (Check10->isChecked()) {
        Check17->setChecked(false);
        Text36->setText(QStringLiteral("+"));
    } else {
        Text36->clear();
    }
}

void LedgerPanel::Check17_Click() {
    if (Check17->isChecked()) {
        Check10->setChecked(false);
        Text36->setText(QStringLiteral("-"));
    } else {
        Text36->clear();
    }
}

void LedgerPanel::Option1_Click() {
    if (!Option1->isChecked()) return;
    Calendario* cal = form.calendario();
    cal->show();
    cal->raise();
}

bool LedgerPanel::takeDate(const QDate& picked) {
    if (!shown(this)) return false;
    Text33->setText(Calendario::fieldText(picked));
    Option1->setChecked(false);
    return true;
}

void LedgerPanel::calendarUnloaded() { Option1->setChecked(false); }

void LedgerPanel::Text33_Change() {
    QString text = Text33->text();
    const QString date = store::StrToDate(text);
    if (date != Text33->text()) Text33->setText(date);
}

void LedgerPanel::Text35_LostFocus() {
    if (Text35->text().isEmpty()) return;
    // A text that is not an amount, or one longer than a cell keeps, stays
    // as typed: the insert and the modify refuse it with a message, so
    // nothing wrong reaches the sheet.
    if (const std::optional<Money> amount = Money::parse(Text35->text())) Text35->setText(amount->grouped());
}

// ---------------------------------------------------------------------------
// Insert, modify, delete, renumber

void LedgerPanel::Command29_Click() {
    if (Command29->text() == insertCaption())
        InsertEntry();
    else
        ModifyEntry();
}

bool LedgerPanel::refuseBadFields() {
    if (!vb::CDate(Text33->text())) {
        info(QStringLiteral("ERRORE: Il campo DATA non contiene una data valida (per esempio 05/03/2024)"));
        Text33->setFocus();
        return true;
    }
    Money::Refusal why{};
    const std::optional<Money> amount = Money::parse(Text35->text(), &why);
    if (!amount && why == Money::Refusal::TooLong) {
        info(QStringLiteral("ERRORE: Il campo IMPORTO ha troppe cifre: un foglio di calcolo conserva esattamente "
                            "al massimo %1 cifre (per esempio 9999999999999,99)")
                 .arg(Money::kMaxDigits));
        Text35->setFocus();
        return true;
    }
    // The example is one the box lets the user type: every "." typed there
    // becomes ",".
    if (!amount || amount->isNegative()) {
        info(QStringLiteral("ERRORE: Il campo IMPORTO deve contenere un importo senza segno (per esempio 1500,50): "
                            "il segno lo danno ACCONTO e SPESA"));
        Text35->setFocus();
        return true;
    }
    // The sign of an entry comes from its kind: the box holds the amount
    // alone, in the "#,0.00" form the entry is stored in.
    Text35->setText(amount->grouped());
    return false;
}

void LedgerPanel::writeEntry(xl::Worksheet& sh, int row, const xl::Value& id) {
    // The ID and the practice number as numbers when they are whole numbers,
    // so that they compare with the numbers typed and the practices' keys.
    put(sh, row, ColId, id);
    put(sh, row, ColPractice, practices::numberCell(Combo8->currentText()));
    put(sh, row, ColClient, xl::Value(Text32->text()));
    put(sh, row, ColDate, xl::Value::date(vb::DateSerial(*vb::CDate(Text33->text()))));
    put(sh, row, ColDescription, xl::Value(Text34->text()));
    // The sign follows the kind ticked, whatever the sign box was left with.
    put(sh, row, ColAmount, xl::Value((Check17->isChecked() ? QStringLiteral("-") : QString()) + Text35->text()));
    put(sh, row, ColKind, xl::Value(Check10->isChecked() ? "A" : "S"));
}

void LedgerPanel::InsertEntry() {
    if (Combo8->currentText().isEmpty() || Text32->text().isEmpty() || Text33->text().isEmpty() ||
        Text34->text().isEmpty() || Text35->text().isEmpty() || (!Check10->isChecked() && !Check17->isChecked())) {
        info(kMissingFields);
        Combo8->setFocus();
        return;
    }
    // The client box must be the client of the practice the entry is booked
    // on: a number typed over the chosen one would mix two practices.
    const int practice = practiceRow(-1);
    if (practice == 0 ||
        vb::CStr(cellValue(form.Excel.Sheets(QStringLiteral("Pratica")), practice, 3)) != Text32->text()) {
        info(QStringLiteral("ERRORE: Il N.PRATICA va scelto dall'elenco, che ne riporta il Cliente"));
        Combo8->setFocus();
        return;
    }
    if (refuseBadFields()) return;
    // The ID is the counter's at this moment: the ID box may still show an
    // entry loaded in a query mode, and that ID is taken.
    const std::optional<qint64> id = practices::wholeNumber(counterText());
    if (!id) {
        info(QStringLiteral("ERRORE: L'ID della registrazione non è un numero: impostarlo con Modifica ID Operazione"));
        return;
    }

    if (ask(QStringLiteral(" Vuoi Inserire questa registrazione  ?"))) {
        bool written = false;
        guarded([&] {
            xl::Worksheet& sh = form.Excel.Sheets(kSpese);
            sh.Select();
            const int row = freeEntryRow(sh);
            if (row == 0) {
                info(QStringLiteral("ERRORE: Il foglio Spese è pieno: impossibile inserire altre Registrazioni"));
                return;
            }
            writeEntry(sh, row, xl::Value(static_cast<double>(*id)));
            sh.GetRange(kCounterCell).SetValue(xl::Value(static_cast<double>(*id + 1)));
            written = true;
        });
        if (written) info(QStringLiteral("Registrazione aggiunta con successo !"), kTitleBlank);
    }
    finishChange(true);
}

void LedgerPanel::ModifyEntry() {
    // Only an entry loaded from a list can be written back: the ID box alone
    // may name another entry (the counter, or an ID given twice).
    if (Text32->text().isEmpty() || loaded_.isEmpty() || Text30->text() != loaded_.first()) {
        plain(kNothingShown);
        return;
    }
    if (!Check10->isChecked() && !Check17->isChecked()) {
        info(QStringLiteral("ERRORE: Per modificare la registrazione bisogna scegliere ACCONTO o SPESA"));
        return;
    }
    if (refuseBadFields()) return;

    if (ask(QStringLiteral(" Vuoi Modificare questa  registrazione ?"))) {
        bool found = false;
        guarded([&] {
            xl::Worksheet& sh = form.Excel.Sheets(kSpese);
            sh.Activate();
            const int row = findEntry(sh, loaded_);
            if (row == 0) return;
            writeEntry(sh, row, practices::numberCell(Text30->text()));
            found = true;
        });
        if (found)
            info(QStringLiteral("Registrazione  Modificata"));
        else
            info(QStringLiteral("ERRORE: La registrazione selezionata non è più presente nel foglio Spese: "
                                "nessuna modifica eseguita"));
    }
    finishChange(false);
    Command29->setText(insertCaption());
}

void LedgerPanel::finishChange(bool listRows) {
    loaded_.clear();
    form.ResetForm();
    if (listRows) guarded([this] { listAllEntries(); });
    form.SaveWorkbook();
    form.ResetForm();
    showCounter();
    untick({Check10, Check11, Check12, Check13, Check14, Check15, Check17});
    form.LoadLedgerPracticeCombo();
    Combo8->setFocus();
    Combo8->setEditText(kSeleziona);
}

void LedgerPanel::Check13_Click() {
    if (!Check13->isChecked()) return;
    if (Text32->text().isEmpty() || Text35->text().isEmpty() || loaded_.isEmpty() ||
        Text30->text() != loaded_.first()) {
        info(kSelectFirst);
        Check13->setChecked(false);
        return;
    }
    // No question: ticking the box on a loaded entry is the confirmation.
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    const int row = findEntry(sh, loaded_);
    if (row == 0) {
        info(QStringLiteral("ERRORE: La registrazione selezionata non è più presente nel foglio Spese: "
                            "nessuna eliminazione eseguita"));
        Check13->setChecked(false);
        return;
    }
    deleteEntry(sh, row);
    loaded_.clear();
    info(QStringLiteral("Registrazione Eliminata"), kTitleBlank);
    Check13->setChecked(false);
    ListView3->hide();
    Check15->setChecked(false);
    // The deleted entry is gone: the panel goes back to the insert layout,
    // empty, so the next booking is an insert and not a modify of nothing.
    Command30_Click();
}

void LedgerPanel::Check14_Click() {
    if (!Check14->isChecked()) return;
    QCheckBox* outer = std::exchange(entering_, Check14);
    untick({Check11, Check12, Check13, Check15, Check10});
    entering_ = outer;
    Text30->setReadOnly(false);
    setBackground(Text30, QColor(0xFF, 0xFF, 0xC0));
    Text30->setFocus();
    const QString answer =
        ui::dialogs().input(QStringLiteral("Digita il nuovo ID progressivo delle Operazioni di Spesa"), kTitle, QString());
    if (!answer.isEmpty()) {
        // Only a whole number can go on counting: a text would be written as
        // the next entry's ID and stop the counter there.
        const std::optional<qint64> id = practices::wholeNumber(answer);
        if (id && *id > 0)
            form.Excel.Sheets(kSpese).GetRange(kCounterCell).SetValue(xl::Value(static_cast<double>(*id)));
        else
            info(QStringLiteral("ERRORE: Il nuovo ID deve essere un numero intero maggiore di zero"));
    }
    Check14->setChecked(false);
    setBackground(Text30, Qt::white);
    showCounter();
    Text30->setReadOnly(true);
}

// ---------------------------------------------------------------------------
// Queries

int LedgerPanel::practiceRow(int index) const {
    if (index < 0) index = Combo8->findText(Combo8->currentText(), Qt::MatchExactly);
    if (index < 0) return 0;
    const QString number = Combo8->itemText(index);
    xl::Worksheet& sh = form.Excel.Sheets(QStringLiteral("Pratica"));
    const int row = index + 2;
    if (vb::fitsRow16(row) && vb::CStr(cellValue(sh, row, 1)) == number) return row;
    // The practice sheet was sorted since the list was filled: the practice
    // is found by its number, never taken from another row.
    const int last = practices::lastFilledRow(sh, 1);
    for (int r = 2; r <= last; ++r)
        if (vb::CStr(cellValue(sh, r, 1)) == number) return r;
    return 0;
}

void LedgerPanel::Combo8_Click(int index) {
    if (Combo8->currentText().isEmpty()) return;
    const int row = practiceRow(index);
    if (row == 0) return;
    {
        xl::Worksheet& pratica = form.Excel.Sheets(QStringLiteral("Pratica"));
        Combo8->setEditText(vb::CStr(cellValue(pratica, row, 1)));
        Text32->setText(vb::CStr(cellValue(pratica, row, 3)));
        Text38->setText(vb::CStr(cellValue(pratica, row, 12)));
    }
    if (!Check11->isChecked()) return;

    ListView3->show();
    ListView3->removeItems();
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    resetArea(sh);
    const QString key = Combo8->currentText();
    // Until an entry is found the practice has none: its balances are those of
    // no entry, never the ones the previous practice left in the boxes.
    Text39->setText(Money().general());
    Text40->setText(boxAmount(Text38).general());
    const int last = lastEntryRow(sh);
    if (last < 2) {
        plain(kNoPracticeEntries);
        return;
    }
    int copied = 0;
    bool badAmount = false;
    {
        form.Excel.ScreenUpdating = false;
        const auto screenOn = qScopeGuard([this] { form.Excel.ScreenUpdating = true; });
        int target = 2;
        for (int r = 2; r <= last; ++r) {
            const xl::Value practice = cellValue(sh, r, ColPractice);
            if (isBlank(practice) || vb::CStr(practice) != key) continue;
            for (int c = ColId; c <= ColAmount; ++c) {
                xl::Value v = cellValue(sh, r, c);
                if (c == ColDate) {
                    if (const auto d = practices::dateValue(v)) v = *d;
                } else if (c == ColAmount) {
                    if (const std::optional<Money> amount = amountOf(v))
                        v = xl::Value(amount->toDouble());
                    else if (!isBlank(v))
                        badAmount = true;
                }
                put(sh, target, kAreaFirstCol + c - 1, v);
            }
            ++target;
            ++copied;
        }
        if (copied > 0) {
            const Money sheetBalance = Addiziona();
            Text40->setText((boxAmount(Text38) + sheetBalance).general());
        }
        Situazione();
    }
    if (copied == 0) {
        plain(kNoPracticeEntries);
        return;
    }
    listQueryArea(true);
    if (badAmount)
        info(QStringLiteral("ATTENZIONE: Alcune registrazioni di questa Pratica hanno un importo che non è un numero: "
                            "nei saldi contano zero"));
}

Money LedgerPanel::Addiziona() {
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    // Added in whole cents, so a settled practice is 0 and not the remainder
    // of binary fractions; amount cells that hold no number count nothing.
    Money total;
    const int last = std::min(sh.usedRows(), kTotalRow - 1);
    for (int r = 2; r <= last; ++r) {
        const xl::Value& v = sh.valueAt(r, kAreaAmountCol);
        if (v.isNumeric())
            if (const std::optional<Money> amount = Money::fromDouble(v.numberValue())) total += *amount;
    }
    sh.Cells(kTotalRow, kAreaAmountCol).SetValue(xl::Value(total.toDouble()));
    Text39->setText(total.general());
    return total;
}

void LedgerPanel::Situazione() {
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    const std::pair<QString, QString> rows[] = {
        {QStringLiteral("Situazione ") + QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")),
         QStringLiteral("**********")},
        {QStringLiteral("Preventivo  €"), Text38->text()},
        {QStringLiteral("Saldo Scheda €"), Text39->text()},
        {QStringLiteral("Saldo Pratica €"), Text40->text()},
    };
    for (const auto& [label, value] : rows) {
        const int r = nextAreaRow(sh);
        sh.Cells(r, kAreaFirstCol).SetValue(xl::Value(kSummaryMark));
        sh.Cells(r, kAreaFirstCol + ColDescription - 1).SetValue(xl::Value(label));
        put(sh, r, kAreaAmountCol, xl::Value(value));
    }
}

void LedgerPanel::Combo9_Click() {
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    resetArea(sh);
    const QString client = Combo9->currentText();
    if (Check12->isChecked() && !client.isEmpty()) {
        const int last = lastEntryRow(sh);
        int target = 2;
        for (int r = 2; r <= last; ++r) {
            // Exact: letter case and blanks count.
            const xl::Value c = cellValue(sh, r, ColClient);
            if (isBlank(c) || vb::CStr(c) != client) continue;
            for (int col = ColId; col <= ColAmount; ++col) {
                xl::Value v = cellValue(sh, r, col);
                if (col == ColDate)
                    if (const auto d = practices::dateValue(v)) v = *d;
                put(sh, target, kAreaFirstCol + col - 1, v);
            }
            ++target;
        }
    }
    if (isBlank(cellValue(sh, 2, kAreaFirstCol))) {
        plain(kNoClientEntries);
        return;
    }
    ListView3->removeItems();
    listQueryArea(false);
}

void LedgerPanel::listQueryArea(bool byPractice) {
    ListView3->removeColumns();
    const QStringList& captions = areaHeaders();
    const int widths[] = {900, 1000, 3000, 1500, 3000, byPractice ? 900 : 1000, 1100};
    for (int i = 0; i < kEntryColumns; ++i)
        ListView3->addColumn(captions[i], widths[i],
                             byPractice && i == ColAmount - 1 ? Qt::AlignRight : Qt::AlignLeft);
    practices::skipping([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kSpese);
        sh.Select();
        for (int r = 2; r <= xl::kMaxRows && !isBlank(cellValue(sh, r, kAreaFirstCol)); ++r) {
            QStringList texts;
            for (int c = 0; c < kEntryColumns; ++c) texts << vb::CStr(cellValue(sh, r, kAreaFirstCol + c));
            ListView3->addItem(texts);
            if (!byPractice) {
                Combo9->hide();
                ListView3->show();
            }
        }
    });
}

// ---------------------------------------------------------------------------
// Loading a listed entry

void LedgerPanel::ListView3_ItemClick() {
    if (!shown(ListView3)) return;
    if (!Check15->isChecked() && !Check11->isChecked() && !Check12->isChecked()) return;
    // The summary rows below a practice's entries are no entries: a click on
    // one leaves the panel as it is.
    if (const QTreeWidgetItem* picked = firstSelected(ListView3); picked && picked->text(0) == kSummaryMark) return;
    loadEntry();
}

void LedgerPanel::loadEntry() {
    form.Excel.ScreenUpdating = false;
    const auto screenOn = qScopeGuard([this] { form.Excel.ScreenUpdating = true; });
    Command29->setText(modifyCaption());
    setShown({Text32}, true);
    Combo9->hide();
    setShown({Option1, Text30, Text33, Text34, Text35, Check10, Combo8, Check17, Text36}, true);
    if (const QTreeWidgetItem* item = firstSelected(ListView3)) {
        QStringList row;
        for (int c = 0; c < kEntryColumns; ++c) row << item->text(c);
        loading_ = true;
        Text30->setText(row[0]);
        Combo8->setEditText(row[1]);
        Text32->setText(row[2]);
        Text33->setText(row[3]);
        Text34->setText(row[4]);
        Text35->setText(row[6]);
        const QString kind = row[5];
        if (kind == QStringLiteral("A")) Check10->setChecked(true);
        if (kind == QStringLiteral("S")) Check17->setChecked(true);
        // An entry of neither kind leaves the choice to the user: a kind kept
        // from the previous entry would change this one's sign on a modify.
        if (kind != QStringLiteral("A") && kind != QStringLiteral("S")) untick({Check10, Check17});
        loading_ = false;
        loaded_ = row;
    }
    ListView3->removeItems();
    StripExpenseSign();
}

void LedgerPanel::StripExpenseSign() {
    // Only the minus sign goes: the sign of an expense lives in the kind box.
    if (Check17->isChecked() && Text35->text().startsWith(u'-')) Text35->setText(Text35->text().mid(1));
}

// ---------------------------------------------------------------------------

void LoadDistinctLedgerClients(Form1& form) {
    xl::Worksheet& sh = form.Excel.Sheets(kSpese);
    sh.Select();
    fillComboList(form.Frame8->Combo9, distinctClients(sh));
}
