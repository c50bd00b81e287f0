#include "reference/sectorpanel.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "reference/choice.h"
#include "reference/messages.h"
#include "store/panelcontext.h"
#include "store/savepoint.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

using handlers::guarded;
using handlers::skipping;
using namespace refmsg;

SectorPanel::SectorPanel(store::PanelContext& ctx)
    : LookupPanel(ctx, QStringLiteral("Nuova Classificazione"), kSectorKey) {
    setObjectName(QStringLiteral("Frame4"));
    Combo6 = keyBox(this, "Combo6");
    Text28 = named(new QLineEdit(this), "Text28");
    Command1 = named(new QPushButton(QStringLiteral("Salva"), this), "Command1");
    Command9 = named(new QPushButton(QStringLiteral("Modifica"), this), "Command9");
    Command13 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command13");
    Command2 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command2");
    layOut({{"Nuovo Settore", Combo6}, {"Note", Text28}}, {Command1, Command9, Command13, Command2});
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
