#include "reference/sectorbinder.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "reference/choice.h"
#include "reference/messages.h"
#include "store/panelcontext.h"
#include "store/savepoint.h"

#include <QComboBox>
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

QComboBox* keyBox(QWidget* parent, const char* name) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    // Entry n must stay sheet row n + 2: a typed text never joins the list.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumContentsLength(24);
    return c;
}

// Captions to the left of their boxes, the buttons in a row below.
void layOut(QGroupBox* panel, std::initializer_list<std::pair<const char*, QWidget*>> rows,
            std::initializer_list<QPushButton*> buttons) {
    auto* outer = new QVBoxLayout(panel);
    // A short record: its fields need no more than a comfortable width.
    auto* fields = new QWidget(panel);
    fields->setMaximumWidth(760);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    int r = 0;
    for (const auto& [caption, box] : rows) {
        auto* l = new QLabel(QString::fromUtf8(caption), panel);
        l->setBuddy(box);
        grid->addWidget(l, r, 0);
        grid->addWidget(box, r, 1);
        ++r;
    }
    grid->setColumnStretch(1, 1);
    outer->addWidget(fields);
    auto* h = new QHBoxLayout;
    for (QPushButton* b : buttons) h->addWidget(b);
    h->addStretch(1);
    outer->addLayout(h);
    outer->addStretch(1);
}

} // namespace

// ---------------------------------------------------------------------------
// What the twins share.

LookupPanel::LookupPanel(store::PanelContext& ctx, const QString& caption, const QString& keyName)
    : QGroupBox(caption), ctx_(ctx), keyName_(keyName) {}

void LookupPanel::rebuildList() { refdata::refill(key_, listKeys()); }

void LookupPanel::loadChosen() {
    guarded([&] {
        const int row = refdata::chosenRow(key_);
        if (row == 0 || key_->currentText().isEmpty()) return;
        loadRow(row);
    });
}

bool LookupPanel::insertKeyGiven() {
    if (!key_->currentText().isEmpty()) return true;
    ui::dialogs().message(insertKeyMissing(keyName_), kTitle, ui::MsgIcon::Information);
    key_->setFocus();
    return false;
}

bool LookupPanel::insertRecord(const QString& question, const QString& done) {
    if (!ui::dialogs().question(question, kTitle)) return false;
    if (appendFromForm() == store::Outcome::SheetFull) {
        ui::dialogs().message(varieFull(keyName_), kTitle, ui::MsgIcon::Information);
        return false;
    }
    ui::dialogs().message(done, kTitleOneBlank, ui::MsgIcon::Information);
    key_->clear();
    key_->setEditText(QString());
    clearFields();
    rebuildList();
    return true;
}

int LookupPanel::rowToModify() {
    // Writing by list position is safe only for an entry of the list: a typed
    // key would address the header row, and the change would be lost.
    const int row = refdata::chosenRow(key_);
    if (key_->currentText().isEmpty() || row == 0) {
        ui::dialogs().message(modifyKeyMissing(keyName_), kTitle, ui::MsgIcon::Information);
        key_->setFocus();
        return 0;
    }
    return row;
}

// ---------------------------------------------------------------------------
// Sectors.

SectorPanel::SectorPanel(store::PanelContext& ctx)
    : LookupPanel(ctx, QStringLiteral("Nuova Classificazione"), kSectorKey) {
    setObjectName(QStringLiteral("Frame4"));
    Combo6 = keyBox(this, "Combo6");
    Text28 = named(new QLineEdit(this), "Text28");
    Command1 = named(new QPushButton(QStringLiteral("Salva"), this), "Command1");
    Command9 = named(new QPushButton(QStringLiteral("Modifica"), this), "Command9");
    Command13 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command13");
    Command2 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command2");
    layOut(this, {{"Nuovo Settore", Combo6}, {"Note", Text28}}, {Command1, Command9, Command13, Command2});
    setKeyBox(Combo6);

    connect(Combo6, &QComboBox::activated, this, [this](int) { Combo6_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command13, &QPushButton::clicked, this, [this] { Command13_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void SectorPanel::fillForm(const store::SectorRecord& sector) {
    Combo6->setEditText(sector.name);
    Text28->setText(sector.description);
}

store::SectorRecord SectorPanel::fromForm() const { return {Combo6->currentText(), Text28->text()}; }

void SectorPanel::loadRow(int row) { fillForm(store::readSector(ctx_.book(), row)); }
store::Outcome SectorPanel::appendFromForm() { return store::appendSector(ctx_.book(), fromForm()); }
QStringList SectorPanel::listKeys() { return store::sectorNames(ctx_.book()); }
void SectorPanel::clearFields() { Text28->clear(); }

void SectorPanel::openPanel() {
    skipping([this] { Combo6->setFocus(); });
    skipping([this] { rebuildList(); });
}

void SectorPanel::Combo6_Click() { loadChosen(); }

void SectorPanel::Command1_Click() {
    guarded([&] {
        if (!insertKeyGiven()) return;
        if (!insertRecord(kAskInsertSector, kSectorAdded)) return;
        // The first sector of a new table leaves the focus where it was;
        // from the second on the name box takes it for the next one.
        if (Combo6->count() > 1) Combo6->setFocus();
    });
}

void SectorPanel::Command9_Click() {
    guarded([&] {
        const int row = rowToModify();
        if (row == 0) return;
        // Only the description changes; the name shown is read back.
        if (!store::done(store::updateSector(ctx_.book(), row, fromForm()))) return;
        Combo6->setEditText(store::readSector(ctx_.book(), row).name);
        ui::dialogs().message(kModified, kTitle, ui::MsgIcon::Information);
        ctx_.resetForm();
    });
}

void SectorPanel::Command13_Click() { ctx_.requestPrint(10); }

void SectorPanel::Command2_Click() {
    store::SavePoint sp(ctx_);
    ctx_.resetForm();
    ctx_.switchPanels({{store::Panel::Sector, false}});
    sp.save();
}

// ---------------------------------------------------------------------------
// Binders.

BinderPanel::BinderPanel(store::PanelContext& ctx)
    : LookupPanel(ctx, QStringLiteral("Nuova Catalogazione"), kBinderKey) {
    setObjectName(QStringLiteral("Frame5"));
    Combo5 = keyBox(this, "Combo5");
    Text29 = named(new QLineEdit(this), "Text29");
    Text31 = named(new QLineEdit(this), "Text31");
    Command6 = named(new QPushButton(QStringLiteral("Salva"), this), "Command6");
    Command8 = named(new QPushButton(QStringLiteral("Modifica"), this), "Command8");
    Command7 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command7");
    Command5 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command5");
    layOut(this, {{"Numero Faldone", Combo5}, {"Descrizione", Text29}, {"Note", Text31}},
           {Command6, Command8, Command7, Command5});
    setKeyBox(Combo5);

    connect(Combo5, &QComboBox::activated, this, [this](int) { Combo5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
}

void BinderPanel::fillForm(const store::BinderRecord& binder) {
    Combo5->setEditText(binder.number);
    Text29->setText(binder.description);
    Text31->setText(binder.notes);
}

store::BinderRecord BinderPanel::fromForm() const { return {Combo5->currentText(), Text29->text(), Text31->text()}; }

void BinderPanel::loadRow(int row) { fillForm(store::readBinder(ctx_.book(), row)); }
store::Outcome BinderPanel::appendFromForm() { return store::appendBinder(ctx_.book(), fromForm()); }
QStringList BinderPanel::listKeys() { return store::binderNumbers(ctx_.book()); }
void BinderPanel::clearFields() {
    Text29->clear();
    Text31->clear();
}

void BinderPanel::openPanel() {
    rebuildList();
    Combo5->setFocus();
}

void BinderPanel::Combo5_Click() { loadChosen(); }

void BinderPanel::Command6_Click() {
    guarded([&] {
        store::SavePoint sp(ctx_);
        if (!insertKeyGiven()) {
            sp.save();
            return;
        }
        if (insertRecord(kAskInsertBinder, kBinderAdded)) {
            Combo5->setFocus();
            sp.save();
        }
    });
}

void BinderPanel::Command8_Click() {
    guarded([&] {
        const int row = rowToModify();
        if (row == 0) return;
        if (!store::done(store::updateBinder(ctx_.book(), row, fromForm()))) return;
        ui::dialogs().message(kModified, kTitle, ui::MsgIcon::Information);
        ctx_.resetForm();
    });
}

void BinderPanel::Command7_Click() { ctx_.requestPrint(9); }

void BinderPanel::Command5_Click() {
    store::SavePoint sp(ctx_);
    ctx_.switchPanels({{store::Panel::Binder, false}});
    Combo5->clear();
    ctx_.resetForm();
    sp.save();
}
