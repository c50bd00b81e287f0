#include "reference/binderpanel.h"

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
using namespace refmsg;

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
    layOut({{"Numero Faldone", Combo5}, {"Descrizione", Text29}, {"Note", Text31}},
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
