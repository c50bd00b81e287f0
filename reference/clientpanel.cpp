#include "reference/clientpanel.h"

#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/engine/workbook.h"
#include "reference/choice.h"
#include "reference/messages.h"
#include "store/panelcontext.h"
#include "store/savepoint.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using handlers::guarded;
using handlers::skipping;
using namespace refmsg;

namespace {

// A caption above its box, as every field of the panel is laid out.
QWidget* captioned(const QString& caption, QWidget* box, QWidget* parent) {
    auto* w = new QWidget(parent);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* l = new QLabel(caption, w);
    l->setBuddy(box);
    v->addWidget(l);
    v->addWidget(box);
    return w;
}

QLineEdit* lineBox(QWidget* parent, const char* name, int maxLength = 0, bool centred = false) {
    auto* e = named(new QLineEdit(parent), name);
    if (maxLength > 0) limitTyping(e, maxLength);
    if (centred) e->setAlignment(Qt::AlignCenter);
    return e;
}

} // namespace

ClientPanel::ClientPanel(store::PanelContext& ctx) : QGroupBox(QStringLiteral("Gestione Clienti")), ctx_(ctx) {
    setObjectName(QStringLiteral("Frame3"));

    Command70 = named(new QPushButton(QStringLiteral("Inserisci &Cliente"), this), "Command70");
    Command10 = named(new QPushButton(QStringLiteral("&Modifica"), this), "Command10");
    Command11 = named(new QPushButton(QStringLiteral("&Pulisci"), this), "Command11");
    Command73 = named(new QPushButton(QStringLiteral("&Elimina"), this), "Command73");
    Command72 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command72");
    Command12 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command12");

    Combo4 = named(new QComboBox(this), "Combo4");
    Combo4->setEditable(true);
    // Entry n must stay sheet row n + 2: a typed text never joins the list.
    Combo4->setInsertPolicy(QComboBox::NoInsert);
    Combo4->setMinimumContentsLength(30);
    Check4 = named(new QCheckBox(this), "Check4");
    Text18 = lineBox(this, "Text18", 10, true);
    Check7 = named(new QCheckBox(QStringLiteral("Cambia IDProgressivo"), this), "Check7");
    Check6 = named(new QCheckBox(QStringLiteral("Azzera Contatore "), this), "Check6");

    Text26 = lineBox(this, "Text26");
    Text26->setToolTip(QStringLiteral(
        "Occorre Selezionare il Cliente , se non presente bisogna accedere alla Maschera Assegnazione Cliente"));
    Text14 = lineBox(this, "Text14", 0, true);
    Text10 = lineBox(this, "Text10", 0, true);
    Text10->setReadOnly(true);
    {
        QPalette p = Text10->palette();
        p.setColor(QPalette::Base, QColor(0xC0, 0xC0, 0xC0));
        Text10->setPalette(p);
    }
    Text25 = lineBox(this, "Text25");
    Text24 = lineBox(this, "Text24", 5);
    Text23 = lineBox(this, "Text23");
    Text22 = lineBox(this, "Text22", 2, true);
    Text21 = lineBox(this, "Text21");
    Text20 = lineBox(this, "Text20");
    Text15 = lineBox(this, "Text15");
    Text16 = lineBox(this, "Text16");
    Text19 = lineBox(this, "Text19", 16);
    Text11 = lineBox(this, "Text11", 11);
    Text7 = lineBox(this, "Text7");
    Text12 = named(new MultiLineTextBox(this), "Text12");
    Text13 = named(new MultiLineTextBox(this), "Text13");
    for (MultiLineTextBox* m : {Text12, Text13}) m->setMinimumHeight(60);

    // Layout: the buttons in one row, then the rows of fields.
    auto* outer = new QVBoxLayout(this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Command70, Command10, Command11, Command73, Command72, Command12}) buttons->addWidget(b);
    buttons->addStretch(1);
    outer->addLayout(buttons);

    auto* grid = new QGridLayout;
    grid->addWidget(captioned(QStringLiteral("Seleziona Cliente"), Combo4, this), 0, 0, 2, 1, Qt::AlignBottom);
    {
        auto* date = new QWidget(this);
        auto* h = new QHBoxLayout(date);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(4);
        h->addWidget(Check4);
        h->addWidget(Text18);
        h->addStretch(1);
        Text18->setFixedWidth(Text18->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
        grid->addWidget(captioned(QStringLiteral("Data"), date, this), 0, 1, 2, 1, Qt::AlignBottom);
    }
    grid->addWidget(Check7, 0, 3);
    grid->addWidget(Check6, 1, 3);
    grid->addWidget(captioned(QStringLiteral("INSERISCI-Ragione Sociale/Cognome-Nome"), Text26, this), 2, 0);
    grid->addWidget(captioned(QStringLiteral("Codice"), Text14, this), 2, 1);
    grid->addWidget(captioned(QStringLiteral("ID Progressivo"), Text10, this), 2, 3);
    grid->setColumnStretch(0, 4);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(2, 1);
    grid->setColumnStretch(3, 1);
    outer->addLayout(grid);

    auto row = [&](std::initializer_list<std::tuple<const char*, QWidget*, int>> fields) {
        auto* h = new QHBoxLayout;
        for (const auto& [caption, box, stretch] : fields)
            h->addWidget(captioned(QString::fromUtf8(caption), box, this), stretch);
        outer->addLayout(h);
    };
    // The short codes get boxes their size, the rest shares the width.
    const int charWidth = Text22->fontMetrics().horizontalAdvance(QLatin1Char('W'));
    Text22->setFixedWidth(charWidth * 2 + 24);
    Text24->setFixedWidth(charWidth * 5 + 16);
    row({{"Indirizzo", Text25, 5}, {"C.A.P.", Text24, 0}, {"Località", Text23, 4}, {"(PR)", Text22, 0}});
    row({{"Telefono", Text21, 2}, {"Fax", Text20, 2}, {"Cellullare", Text15, 2}, {"E-Mail", Text16, 3}});
    row({{"Codice Fiscale", Text19, 3}, {"Partita IVA", Text11, 2}, {"Referente/Legale Rappresentante", Text7, 4}});
    outer->addWidget(captioned(QStringLiteral("Annotazioni"), Text12, this), 1);
    outer->addWidget(Text13, 1);

    connect(Combo4, &QComboBox::activated, this, [this](int) { Combo4_Click(); });
    connect(Command70, &QPushButton::clicked, this, [this] { Command70_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    connect(Command11, &QPushButton::clicked, this, [this] { Command11_Click(); });
    connect(Command73, &QPushButton::clicked, this, [this] { Command73_Click(); });
    connect(Command72, &QPushButton::clicked, this, [this] { Command72_Click(); });
    connect(Command12, &QPushButton::clicked, this, [this] { Command12_Click(); });
    connect(Check4, &QCheckBox::toggled, this, [this] { Check4_Click(); });
    connect(Check6, &QCheckBox::toggled, this, [this] { Check6_Click(); });
    connect(Check7, &QCheckBox::toggled, this, [this] { Check7_Click(); });
    connect(Text26, &QLineEdit::textChanged, this, [this] { Text26_Change(); });
    connect(Text19, &QLineEdit::textChanged, this, [this] { Text19_Change(); });
    Text10->installEventFilter(this);
}

std::vector<std::pair<store::ClientField, QWidget*>> ClientPanel::fieldBoxes() const {
    using R = store::ClientRecord;
    return {{&R::id, Text10},        {&R::name, Text26},       {&R::code, Text14},   {&R::date, Text18},
            {&R::address, Text25},   {&R::postalCode, Text24}, {&R::town, Text23},   {&R::province, Text22},
            {&R::telephone, Text21}, {&R::fax, Text20},        {&R::mobile, Text15}, {&R::email, Text16},
            {&R::taxCode, Text19},   {&R::vatNumber, Text11},  {&R::contact, Text7}, {&R::notes, Text12},
            {&R::moreNotes, Text13}};
}

// Every field but the ID first, the ID last.
void ClientPanel::fillForm(const store::ClientRecord& client) {
    for (const auto& [field, box] : fieldBoxes())
        if (field != &store::ClientRecord::id) refdata::setBoxText(box, client.*field);
    loadedId_ = client.id;
    Text10->setText(loadedId_);
}

store::ClientRecord ClientPanel::fromForm() const {
    store::ClientRecord client;
    for (const auto& [field, box] : fieldBoxes()) client.*field = refdata::boxText(box);
    return client;
}

bool ClientPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text10 && event->type() == QEvent::FocusOut) {
        // Losing the focus to a message box or a popup is not leaving the box.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) Text10_LostFocus();
    }
    return QGroupBox::eventFilter(watched, event);
}

void ClientPanel::RefillClientList() {
    guarded([&] {
        store::activateClients(ctx_.book());
        refdata::refill(Combo4, store::clientNames(ctx_.book()));
    });
}

void ClientPanel::openPanel() {
    store::ensureClientCounter(ctx_.book());
    showCounter();
    refdata::refill(Combo4, store::clientNames(ctx_.book()));
}

void ClientPanel::showCounter() { Text10->setText(store::clientCounterText(ctx_.book())); }

void ClientPanel::Combo4_Click() {
    const int row = refdata::chosenRow(Combo4);
    if (row == 0 || Combo4->currentText().isEmpty()) return;
    std::optional<store::ClientRecord> client;
    skipping([&] { client = store::readClient(ctx_.book(), row); });
    if (client) fillForm(*client);
}

// A field longer than a cell holds would be refused by the sheet and
// silently left out of the record.
bool ClientPanel::fieldsFit(const store::ClientRecord& client, const QString& notDone) {
    const auto field = store::overlongField(client);
    if (!field) return true;
    ui::dialogs().message(fieldTooLong(xl::kMaxCellText, notDone), kTitle, ui::MsgIcon::Information);
    for (const auto& [f, box] : fieldBoxes())
        if (f == *field) box->setFocus();
    return false;
}

void ClientPanel::Command70_Click() {
    guarded([&] {
        if (Text26->text().isEmpty()) {
            ui::dialogs().message(kNameMissing, kTitle, ui::MsgIcon::None);
            Text26->setFocus();
            return;
        }
        store::ClientRecord client = fromForm();
        if (!fieldsFit(client, kClientNotInserted)) return;
        if (!ui::dialogs().question(kAskInsertClient, kTitleOneBlank)) {
            ctx_.resetForm();
            return;
        }
        switch (store::appendClient(ctx_.book(), client)) {
        case store::Outcome::Done: break;
        case store::Outcome::SheetFull:
            ui::dialogs().message(kClientSheetFull, kTitle, ui::MsgIcon::Information);
            return;
        default: ui::dialogs().message(kCounterInvalid, kTitle, ui::MsgIcon::Information); return;
        }
        Text10->setText(client.id);
        ui::dialogs().message(kClientAdded, kTitle, ui::MsgIcon::Information);
        ctx_.resetForm();
        RefillClientList();
    });
}

void ClientPanel::Command10_Click() {
    guarded([&] {
        const int row = refdata::chosenRow(Combo4);
        if (Combo4->currentText().isEmpty() || row == 0) {
            ui::dialogs().message(kClientNotChosen, kTitle, ui::MsgIcon::Information);
            Combo4->setFocus();
            return;
        }
        // An empty name would end every client list at this row, hiding the
        // clients below it.
        if (Text26->text().trimmed().isEmpty()) {
            ui::dialogs().message(kNameMissing, kTitle, ui::MsgIcon::None);
            Text26->setFocus();
            return;
        }
        const store::ClientRecord client = fromForm();
        if (!fieldsFit(client, kClientNotModified)) return;
        if (!store::done(store::updateClient(ctx_.book(), row, client))) {
            ui::dialogs().message(kClientNotChosen, kTitle, ui::MsgIcon::Information);
            return;
        }
        ui::dialogs().message(kClientModified, kTitleTwoBlanks, ui::MsgIcon::None);
        Combo4->clear();
        ctx_.resetForm();
        RefillClientList();
    });
}

void ClientPanel::Command73_Click() {
    guarded([&] {
        const int row = refdata::chosenRow(Combo4);
        if (Text26->text().isEmpty() || row == 0) {
            ui::dialogs().message(kSelectClient, kTitle, ui::MsgIcon::Information);
            return;
        }
        // The row must still hold the client whose ID is shown; otherwise
        // deleting it would take away somebody else.
        const QString shownId = Text10->text().trimmed().isEmpty() ? loadedId_ : Text10->text();
        if (!store::done(store::clientAt(ctx_.book(), row, shownId))) {
            ui::dialogs().message(kOtherClientShown, kTitle, ui::MsgIcon::Information);
            return;
        }
        if (!ui::dialogs().question(kAskDeleteClient, kTitle)) return;
        if (!store::done(store::removeClient(ctx_.book(), row, shownId))) {
            ui::dialogs().message(kOtherClientShown, kTitle, ui::MsgIcon::Information);
            return;
        }
        ui::dialogs().message(kClientDeleted, kTitleOneBlank, ui::MsgIcon::Information);
        ctx_.resetForm();
        RefillClientList();
    });
}

void ClientPanel::Command11_Click() {
    ctx_.resetForm();
    RefillClientList();
}

void ClientPanel::Command12_Click() {
    store::SavePoint sp(ctx_);
    ctx_.switchPanels({{store::Panel::Client, false}});
    Combo4->clear();
    ctx_.resetForm();
    sp.save();
}

void ClientPanel::Command72_Click() { ctx_.requestPrint(8); }

void ClientPanel::Check4_Click() {
    if (Check4->isChecked()) ctx_.calendar()->show();
}

bool ClientPanel::takeDate(const QDate& picked) {
    if (!shown(this)) return false;
    Text18->setText(Calendario::fieldText(picked));
    Check4->setChecked(false);
    return true;
}

void ClientPanel::Check6_Click() {
    if (!Check6->isChecked()) return;
    guarded([&] {
        store::setClientCounter(ctx_.book(), 1);
        showCounter();
    });
    Check6->setChecked(false);
}

void ClientPanel::Check7_Click() {
    if (!Check7->isChecked()) return;
    idBeforeUnlock_ = Text10->text();
    Text10->setReadOnly(false);
    ui::dialogs().message(kIdUnlocked, kTitleOneBlank, ui::MsgIcon::Information);
    Text10->clear();
    Text10->setFocus();
    Check7->setChecked(false);
}

void ClientPanel::Text10_LostFocus() {
    // Only a value typed after the unlock is a new counter: a locked box just
    // shows an ID (the loaded client's, or the counter itself).
    if (!Text10->isReadOnly()) {
        const QString t = Text10->text().trimmed();
        if (!t.isEmpty()) {
            if (const auto id = store::wholeId(t)) {
                guarded([&] { store::setClientCounter(ctx_.book(), *id); });
            } else {
                Text10->setReadOnly(true);
                Text10->setText(idBeforeUnlock_);
                ui::dialogs().message(kCounterNotWhole, kTitle, ui::MsgIcon::Information);
            }
        }
    }
    Text10->setReadOnly(true);
}

void ClientPanel::upperCase(QLineEdit* box) {
    const QString t = box->text();
    const QString up = t.toUpper();
    if (up == t) return;
    const int pos = box->cursorPosition();
    box->setText(up);
    box->setCursorPosition(qMin(pos, static_cast<int>(box->text().size())));
}

void ClientPanel::Text26_Change() { upperCase(Text26); }
void ClientPanel::Text19_Change() { upperCase(Text19); }
