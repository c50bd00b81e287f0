#include "reference/lookuppanel.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "reference/choice.h"
#include "reference/messages.h"
#include "store/panelcontext.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using handlers::guarded;
using namespace refmsg;

QComboBox* LookupPanel::keyBox(QWidget* parent, const char* name) {
    auto* c = named(new QComboBox(parent), name);
    c->setEditable(true);
    // Entry n must stay sheet row n + 2: a typed text never joins the list.
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMinimumContentsLength(24);
    return c;
}

void LookupPanel::layOut(std::initializer_list<std::pair<const char*, QWidget*>> rows,
                         std::initializer_list<QPushButton*> buttons) {
    auto* outer = new QVBoxLayout(this);
    // A short record: its fields need no more than a comfortable width.
    auto* fields = new QWidget(this);
    fields->setMaximumWidth(760);
    auto* grid = new QGridLayout(fields);
    grid->setContentsMargins(0, 0, 0, 0);
    int r = 0;
    for (const auto& [caption, box] : rows) {
        auto* l = new QLabel(QString::fromUtf8(caption), this);
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
