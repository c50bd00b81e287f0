#include "ledger/ledgerpanel.h"

#include "ledger/messages.h"
#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "store/book.h"
#include "store/formatters.h"
#include "store/ledgersheet.h"
#include "store/money.h"
#include "store/panelcontext.h"
#include "store/savepoint.h"

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
#include <QVBoxLayout>

using namespace ledger::msg;
using handlers::guarded;
using handlers::skipping;
using store::Money;
using store::Outcome;

namespace {

const QString kSeleziona = QStringLiteral("Seleziona");

void info(const QString& text, const QString& title = kTitle) {
    ui::dialogs().message(text, title, ui::MsgIcon::Information);
}
void plain(const QString& text) { ui::dialogs().message(text, kTitle, ui::MsgIcon::None); }
bool ask(const QString& text) { return ui::dialogs().question(text, kTitle); }

// The texts of each listed entry, for one fill of the list.
std::vector<QStringList> textsOf(const std::vector<store::ListedEntry>& rows) {
    std::vector<QStringList> out;
    out.reserve(rows.size());
    for (const store::ListedEntry& row : rows) out.push_back(row.texts);
    return out;
}

void setBackground(QLineEdit* box, const QColor& c) {
    QPalette p = box->palette();
    p.setColor(QPalette::Base, c);
    box->setPalette(p);
}

// The printouts of the ledger, by the codes the print form knows.
constexpr int kPrintQuery = 14;
constexpr int kPrintAllEntries = 15;

} // namespace

LedgerPanel::LedgerPanel(store::PanelContext& ctx) : QGroupBox(QStringLiteral("Gestione Acconti/Spese")), ctx_(ctx) {
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
    Check11 =
        named(new QCheckBox(QStringLiteral("Interroga/Modifica  Registrazioni per Pratica  e Saldo Scheda"), Frame7),
              "Check11");
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
    for (QWidget* w :
         std::initializer_list<QWidget*>{Label42, Text30, Label37, Combo8, Label38, Text33, Option1, Label40, Text34,
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
    on(ListView3, &ListView::rowClicked, &LedgerPanel::ListView3_ItemClick);
    on(Combo9, &QComboBox::activated, &LedgerPanel::Combo9_Click);
    connect(Combo8, &QComboBox::activated, this, [this](int index) { guarded([&] { Combo8_Click(index); }); });
    // Once the ID box shows anything but the loaded entry's ID, that entry
    // is no longer the one a modify or a delete would act on.
    connect(Text30, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (!loading_ && !loaded_.isEmpty() && t != loaded_.id()) loaded_ = {};
    });
    Text35->installEventFilter(this);
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

void LedgerPanel::showCounter() { Text30->setText(store::ledgerCounterText(ctx_.book())); }

void LedgerPanel::untick(std::initializer_list<QCheckBox*> boxes) {
    for (QCheckBox* b : boxes)
        if (b != entering_) b->setChecked(false);
}

// ---------------------------------------------------------------------------
// Opening, leaving, clearing, printing

void LedgerPanel::Command28_Click() {
    using store::Panel;
    ctx_.switchPanels({{Panel::Practice, false},
                       {Panel::Client, false},
                       {Panel::Sector, false},
                       {Panel::Binder, false},
                       {Panel::Search, false},
                       {Panel::Toolbar, false},
                       {Panel::Ledger, true}});
    ListView3->hide();
    Combo8->setFocus();
    Label42->hide();
    store::startLedgerCounter(ctx_.book());
    showCounter();
    LoadLedgerPracticeCombo();
    Combo8->setEditText(kSeleziona);
    Combo9->hide();
}

void LedgerPanel::Command27_Click() {
    ctx_.switchPanels({{store::Panel::Ledger, false}});
    ctx_.resetForm();
    untick({Check10, Check11, Check12});
    ctx_.switchPanels({{store::Panel::Practice, true}, {store::Panel::Toolbar, true}});
}

void LedgerPanel::Command30_Click() {
    ctx_.resetForm();
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
    if (Check11->isChecked() || Check12->isChecked()) ctx_.requestPrint(kPrintQuery);
    if (Check15->isChecked()) {
        untick({Check11, Check12, Check13, Check14});
        ctx_.requestPrint(kPrintAllEntries);
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
    ctx_.resetForm();
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
        LoadDistinctLedgerClients();
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
    // Rows without an ID are no entries: a ledger of only such rows is empty.
    const std::shared_ptr<const ListRows> rows = store::ledgerEntrySource(ctx_.book());
    if (rows->rows() == 0) {
        plain(kNoEntries);
        Check15->setChecked(false);
        return;
    }
    ListView3->removeItems();
    ListView3->removeColumns();
    const QStringList& captions = store::ledgerAreaHeaders();
    const int widths[] = {900, 1000, 3000, 1500, 3000, 900, 1500};
    for (int i = 0; i < captions.size(); ++i)
        ListView3->addColumn(captions[i], widths[i], i == captions.size() - 1 ? Qt::AlignRight : Qt::AlignLeft);
    skipping([&] { ListView3->setRows(rows); });
}

void LedgerPanel::listAllEntries() {
    // The entries go below whatever the list still shows.
    if (ListView3->itemCount() == 0)
        ListView3->setRows(store::ledgerEntrySource(ctx_.book()));
    else
        ListView3->addItems(textsOf(store::ledgerEntries(ctx_.book())));
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
    Calendario* cal = ctx_.calendar();
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
        info(kBadDate);
        Text33->setFocus();
        return true;
    }
    Money::Refusal why{};
    const std::optional<Money> amount = Money::parse(Text35->text(), &why);
    if (!amount && why == Money::Refusal::TooLong) {
        info(kAmountTooLong.arg(Money::kMaxDigits));
        Text35->setFocus();
        return true;
    }
    if (!amount || amount->isNegative()) {
        info(kBadAmount);
        Text35->setFocus();
        return true;
    }
    // The sign of an entry comes from its kind: the box holds the amount
    // alone, in the "#,0.00" form the entry is stored in.
    Text35->setText(amount->grouped());
    return false;
}

store::LedgerEntry LedgerPanel::entryFromForm() const {
    // Called once refuseBadFields() has passed: the date and the amount read.
    store::LedgerEntry e;
    e.practice = Combo8->currentText();
    e.client = Text32->text();
    e.date = vb::CDate(Text33->text()).value_or(QDate());
    e.description = Text34->text();
    // The sign follows the kind ticked, whatever the sign box was left with.
    e.expense = Check17->isChecked();
    e.amount = Money::parse(Text35->text()).value_or(Money());
    return e;
}

void LedgerPanel::showEntry(const store::ListedEntry& entry) {
    Text30->setText(entry.id());
    Combo8->setEditText(entry.practice());
    Text32->setText(entry.client());
    Text33->setText(entry.date());
    Text34->setText(entry.description());
    Text35->setText(entry.amount());
    const QString kind = entry.kind();
    if (kind == store::kAdvanceKind) Check10->setChecked(true);
    if (kind == store::kExpenseKind) Check17->setChecked(true);
    // An entry of neither kind leaves the choice to the user: a kind kept
    // from the previous entry would change this one's sign on a modify.
    if (kind != store::kAdvanceKind && kind != store::kExpenseKind) untick({Check10, Check17});
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
    const std::optional<store::LedgerPractice> practice = chosenPractice(-1);
    if (!practice || practice->client != Text32->text()) {
        info(kNotFromList);
        Combo8->setFocus();
        return;
    }
    if (refuseBadFields()) return;
    // The ID is the counter's at this moment: the ID box may still show an
    // entry loaded in a query mode, and that ID is taken.
    const std::optional<qint64> id = store::nextLedgerId(ctx_.book());
    if (!id) {
        info(kIdNotNumber);
        return;
    }

    if (ask(kAskInsert)) {
        Outcome result = Outcome::Invalid;
        guarded([&] { result = store::appendLedgerEntry(ctx_.book(), *id, entryFromForm()); });
        if (result == Outcome::SheetFull) info(kSheetFull);
        if (result == Outcome::Done) info(kInserted, kTitleBlank);
    }
    finishChange(true);
}

void LedgerPanel::ModifyEntry() {
    // Only an entry loaded from a list can be written back: the ID box alone
    // may name another entry (the counter, or an ID given twice).
    if (Text32->text().isEmpty() || loaded_.isEmpty() || Text30->text() != loaded_.id()) {
        plain(kNothingShown);
        return;
    }
    if (!Check10->isChecked() && !Check17->isChecked()) {
        info(kChooseKind);
        return;
    }
    if (refuseBadFields()) return;

    if (ask(kAskModify)) {
        Outcome result = Outcome::Invalid;
        guarded([&] { result = store::updateLedgerEntry(ctx_.book(), loaded_, Text30->text(), entryFromForm()); });
        if (result == Outcome::Done)
            info(kModified);
        else
            info(kGoneNotModified);
    }
    finishChange(false);
    Command29->setText(insertCaption());
}

void LedgerPanel::finishChange(bool listRows) {
    store::SavePoint sp(ctx_);
    loaded_ = {};
    ctx_.resetForm();
    if (listRows) guarded([this] { listAllEntries(); });
    sp.save();
    ctx_.resetForm();
    showCounter();
    untick({Check10, Check11, Check12, Check13, Check14, Check15, Check17});
    LoadLedgerPracticeCombo();
    Combo8->setFocus();
    Combo8->setEditText(kSeleziona);
}

void LedgerPanel::Check13_Click() {
    if (!Check13->isChecked()) return;
    if (Text32->text().isEmpty() || Text35->text().isEmpty() || loaded_.isEmpty() || Text30->text() != loaded_.id()) {
        info(kSelectFirst);
        Check13->setChecked(false);
        return;
    }
    // No question: ticking the box on a loaded entry is the confirmation.
    if (store::removeLedgerEntry(ctx_.book(), loaded_) != Outcome::Done) {
        info(kGoneNotDeleted);
        Check13->setChecked(false);
        return;
    }
    loaded_ = {};
    info(kDeleted, kTitleBlank);
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
    const QString answer = ui::dialogs().input(kAskNewId, kTitle, QString());
    if (!answer.isEmpty() && store::setLedgerCounter(ctx_.book(), answer) != Outcome::Done) info(kBadNewId);
    Check14->setChecked(false);
    setBackground(Text30, Qt::white);
    showCounter();
    Text30->setReadOnly(true);
}

// ---------------------------------------------------------------------------
// Queries

std::optional<store::LedgerPractice> LedgerPanel::chosenPractice(int index) const {
    if (index < 0) index = Combo8->findText(Combo8->currentText(), Qt::MatchExactly);
    if (index < 0) return std::nullopt;
    return store::ledgerPractice(ctx_.book(), index, Combo8->itemText(index));
}

void LedgerPanel::Combo8_Click(int index) {
    if (Combo8->currentText().isEmpty()) return;
    const std::optional<store::LedgerPractice> practice = chosenPractice(index);
    if (!practice) return;
    Combo8->setEditText(practice->number);
    Text32->setText(practice->client);
    Text38->setText(practice->estimate);
    if (!Check11->isChecked()) return;

    ListView3->show();
    ListView3->removeItems();
    store::Book& book = ctx_.book();
    xl::Application& excel = book.application();
    std::optional<store::PracticeQuery> query;
    {
        excel.ScreenUpdating = false;
        const auto screenOn = qScopeGuard([&excel] { excel.ScreenUpdating = true; });
        query = store::queryLedgerByPractice(book, Combo8->currentText());
        // Until an entry is found the practice has none: its balances are
        // those of no entry, never the ones the previous practice left.
        balances_ = store::practiceBalances(practice->estimate, Money());
        if (query->copied > 0) balances_ = store::practiceBalances(practice->estimate, Addiziona());
        Text39->setText(balances_.sheet.general());
        Text40->setText(balances_.practice.general());
        // A ledger without a single entry has no summary to close it.
        if (query->ledgerHasEntries) Situazione();
    }
    if (query->copied == 0) {
        plain(kNoPracticeEntries);
        return;
    }
    listQueryArea(true);
    if (query->badAmount) info(kBadAmountsCountZero);
}

Money LedgerPanel::Addiziona() {
    const Money total = store::totalLedgerArea(ctx_.book());
    Text39->setText(total.general());
    return total;
}

void LedgerPanel::Situazione() { store::writeLedgerSummary(ctx_.book(), balances_, QDate::currentDate()); }

void LedgerPanel::Combo9_Click() {
    const QString client = Check12->isChecked() ? Combo9->currentText() : QString();
    if (!store::queryLedgerByClient(ctx_.book(), client)) {
        plain(kNoClientEntries);
        return;
    }
    ListView3->removeItems();
    listQueryArea(false);
}

void LedgerPanel::listQueryArea(bool byPractice) {
    ListView3->removeColumns();
    const QStringList& captions = store::ledgerAreaHeaders();
    const int widths[] = {900, 1000, 3000, 1500, 3000, byPractice ? 900 : 1000, 1100};
    const int amountColumn = captions.size() - 1;
    for (int i = 0; i < captions.size(); ++i)
        ListView3->addColumn(captions[i], widths[i], byPractice && i == amountColumn ? Qt::AlignRight : Qt::AlignLeft);
    skipping([&] {
        const std::shared_ptr<const ListRows> rows = store::ledgerAreaSource(ctx_.book());
        ListView3->setRows(rows);
        // A client's entries take the place of the client box, once there are any.
        if (!byPractice && rows->rows() > 0) {
            Combo9->hide();
            ListView3->show();
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
    if (const int picked = ListView3->selectedRow();
        picked >= 0 && ListView3->itemText(picked, 0) == store::kLedgerSummaryMark)
        return;
    loadEntry();
}

void LedgerPanel::loadEntry() {
    xl::Application& excel = ctx_.book().application();
    excel.ScreenUpdating = false;
    const auto screenOn = qScopeGuard([&excel] { excel.ScreenUpdating = true; });
    Command29->setText(modifyCaption());
    setShown({Text32}, true);
    Combo9->hide();
    setShown({Option1, Text30, Text33, Text34, Text35, Check10, Combo8, Check17, Text36}, true);
    if (const int picked = ListView3->selectedRow(); picked >= 0) {
        store::ListedEntry row;
        for (int c = 0; c < store::ledgersheet::kEntryColumns; ++c) row.texts << ListView3->itemText(picked, c);
        loading_ = true;
        showEntry(row);
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
// The lists of the two combo boxes

void LedgerPanel::LoadLedgerPracticeCombo() { refillComboList(Combo8, store::ledgerPracticeNumbers(ctx_.book())); }

void LedgerPanel::LoadDistinctLedgerClients() { fillComboList(Combo9, store::ledgerClients(ctx_.book())); }
