#include "practices/searchpanel.h"

#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/engine/vbconv.h"
#include "practices/messages.h"
#include "practices/practicepanel.h"
#include "store/clientsheet.h"
#include "store/practicesheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using handlers::guarded;
namespace msg = practices::msg;
namespace area = store::search;

SearchPanel::SearchPanel(store::PanelContext& ctx) : QGroupBox(QStringLiteral("Ricerca")), ctx_(ctx) {
    setObjectName(QStringLiteral("Frame6"));
    Label34 = named(new QLabel(QStringLiteral("Ricerca  selezionando il Cliente"), this), "Label34");
    Combo7 = named(new QComboBox(this), "Combo7");
    Combo7->setEditable(true);
    Combo7->setInsertPolicy(QComboBox::NoInsert);
    Text27 = named(new QLineEdit(this), "Text27");
    Text27->setAlignment(Qt::AlignCenter);
    Label36 = named(new QLabel(QStringLiteral("Ricerca per :"), this), "Label36");
    Check8 = named(new QCheckBox(QStringLiteral("Pratiche in Istruttoria"), this), "Check8");
    Check9 = named(new QCheckBox(QStringLiteral("Pratiche Completata"), this), "Check9");
    ListView2 = named(new ListView(this), "ListView2");
    Command18 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command18");
    Command22 = named(new QPushButton(QStringLiteral("&Ricerca per Cliente"), this), "Command22");
    Command21 = named(new QPushButton(QStringLiteral("&Pulisci"), this), "Command21");
    Command16 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command16");

    auto* clientBox = new QVBoxLayout;
    clientBox->addWidget(Label34);
    auto* clientRow = new QHBoxLayout;
    Combo7->setMinimumWidth(340);
    Text27->setFixedWidth(80);
    clientRow->addWidget(Combo7, 1);
    clientRow->addWidget(Text27);
    clientBox->addLayout(clientRow);
    auto* stateBox = new QVBoxLayout;
    stateBox->addWidget(Label36);
    stateBox->addWidget(Check8);
    stateBox->addWidget(Check9);
    auto* top = new QHBoxLayout;
    top->addLayout(clientBox, 1);
    top->addSpacing(40);
    top->addLayout(stateBox);
    top->addStretch(1);
    auto* buttons = new QHBoxLayout;
    setLeastWidth({Command18, Command22, Command21, Command16}, 150);
    for (QPushButton* b : {Command18, Command22, Command21, Command16}) buttons->addWidget(b);
    buttons->addStretch(1);
    auto* lay = new QVBoxLayout(this);
    lay->addLayout(top);
    lay->addWidget(ListView2, 1);
    lay->addLayout(buttons);

    connect(Check8, &QCheckBox::toggled, this, [this] { Check8_Click(); });
    connect(Check9, &QCheckBox::toggled, this, [this] { Check9_Click(); });
    connect(Combo7, &QComboBox::activated, this, [this](int index) { Combo7_Click(index); });
    connect(Command22, &QPushButton::clicked, this, [this] { Command22_Click(); });
    connect(Command21, &QPushButton::clicked, this, [this] { Command21_Click(); });
    connect(Command18, &QPushButton::clicked, this, [this] { Command18_Click(); });
    connect(Command16, &QPushButton::clicked, this, [this] { Command16_Click(); });
}

store::SearchState SearchPanel::searchState() const {
    store::SearchState s;
    s.last = lastSearch_;
    s.inPreparationTicked = Check8->isChecked();
    s.completedTicked = Check9->isChecked();
    return s;
}

void SearchPanel::LoadSearchClientCombo() {
    store::activateClients(ctx_.book());
    refillComboList(Combo7, store::clientNames(ctx_.book()));
}

void SearchPanel::openPanel() {
    ctx_.switchPanels({{store::Panel::Toolbar, false},
                       {store::Panel::Search, true},
                       {store::Panel::Client, false},
                       {store::Panel::NumberChooser, false},
                       {store::Panel::Sector, false},
                       {store::Panel::Binder, false},
                       {store::Panel::Practice, false}});
    Check9->setChecked(false);
    Check8->setChecked(false);
    ListView2->removeItems();
    guarded([&] { LoadSearchClientCombo(); });
    Combo7->setEditText(msg::kSeleziona);
}

void SearchPanel::listResults(int columns) {
    ListView2->removeItems();
    ListView2->removeColumns();
    const std::vector<area::Column>& captions = area::columns();
    for (int i = 0; i < columns; ++i) ListView2->addColumn(captions[i].caption, captions[i].widthTwips);
    ListView2->setRows(area::resultSource(ctx_.book(), resultCount_, columns));
}

void SearchPanel::resetPanel() {
    ctx_.resetForm();
    Check8->setChecked(false);
    Check9->setChecked(false);
    ListView2->removeItems();
    guarded([&] { LoadSearchClientCombo(); });
    Combo7->setEditText(msg::kSeleziona);
}

void SearchPanel::runStateSearch(bool completed) {
    if (practice_) practice_->releaseList();
    resultCount_ = 0;
    lastSearch_ = Search::None;
    xl::Application& app = ctx_.book().application();
    guarded([&] {
        app.ScreenUpdating = false;
        area::findByStateSorted(ctx_.book(), completed, resultCount_);
    });
    app.ScreenUpdating = true;

    if (resultCount_ == 0) {
        ui::dialogs().message(msg::kNoneFound, msg::kTitle, ui::MsgIcon::None);
        resetPanel();
        return;
    }
    guarded([&] {
        area::sortResults(ctx_.book(), resultCount_);
        listResults(area::kStateColumns);
        lastSearch_ = completed ? Search::Completed : Search::InPreparation;
    });
}

void SearchPanel::Check8_Click() {
    if (!Check8->isChecked()) return;
    Combo7->setEditText(msg::kSeleziona);
    Text27->clear();
    Check9->setChecked(false);
    runStateSearch(false);
}

void SearchPanel::Check9_Click() {
    if (!Check9->isChecked()) return;
    Check8->setChecked(false);
    Combo7->setEditText(msg::kSeleziona);
    Text27->clear();
    ListView2->removeItems();
    runStateSearch(true);
}

void SearchPanel::Combo7_Click(int index) {
    const int row = index + 2;
    if (Combo7->currentText().isEmpty() || index < 0 || !vb::fitsRow16(row)) return;
    guarded([&] {
        const store::ClientRecord client = store::readClient(ctx_.book(), row);
        Combo7->setEditText(client.name);
        Text27->setText(client.id);
    });
}

void SearchPanel::Command22_Click() {
    if (Check8->isChecked() || Check9->isChecked() || Combo7->currentText() == msg::kSeleziona ||
        Text27->text().isEmpty()) {
        ui::dialogs().message(msg::kSelectClient, msg::kTitleBlank, ui::MsgIcon::Information);
        ctx_.resetForm();
        Check8->setChecked(false);
        Check9->setChecked(false);
        Combo7->setFocus();
        Combo7->setEditText(msg::kSeleziona);
        return;
    }
    ListView2->removeItems();
    if (practice_) practice_->releaseList();
    resultCount_ = 0;
    lastSearch_ = Search::None;
    const QString client = Combo7->currentText();
    xl::Application& app = ctx_.book().application();
    guarded([&] {
        app.ScreenUpdating = false;
        area::findByClient(ctx_.book(), client, resultCount_);
    });
    app.ScreenUpdating = true;

    if (resultCount_ == 0) {
        ui::dialogs().message(msg::kNoneForClient, msg::kTitle, ui::MsgIcon::None);
        return;
    }
    guarded([&] {
        listResults(area::kClientColumns);
        lastSearch_ = Search::Client;
    });
}

void SearchPanel::Command21_Click() {
    resetPanel();
    lastSearch_ = Search::None;
}

void SearchPanel::Command18_Click() {
    switch (lastSearch_) {
    case Search::InPreparation:
    case Search::Completed: ctx_.requestPrint(12); break;
    case Search::Client: ctx_.requestPrint(13); break;
    case Search::None: ui::dialogs().message(msg::kNothingToPrint, msg::kTitle, ui::MsgIcon::Information); break;
    }
}

void SearchPanel::Command16_Click() {
    // The save comes first: the stored workbook keeps the last results.
    ctx_.save();
    guarded([&] { area::leave(ctx_.book()); });
    lastSearch_ = Search::None;
    resultCount_ = 0;
    ctx_.switchPanels({{store::Panel::Search, false}, {store::Panel::Toolbar, true}, {store::Panel::Practice, true}});
    ListView2->removeItems();
    ctx_.resetForm();
    if (practice_) practice_->showInsertButtons(true);
}
