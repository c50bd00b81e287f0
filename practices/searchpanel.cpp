#include "practices/searchpanel.h"

#include "platform/desktop/controls.h"
#include "app/form1.h"
#include "platform/desktop/named.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "practices/numberchooser.h"
#include "practices/practicecommon.h"
#include "practices/practicepanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorbinder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

using namespace practices;

namespace {

const QString kTitle = QStringLiteral("Velmora");
const QString kSeleziona = QStringLiteral("Seleziona");
const QString kPratica = QStringLiteral("Pratica");

struct AreaColumn {
    const char* caption;
    int widthTwips;
};
// Headers of the work area AA..AF, which are also the list's columns.
constexpr AreaColumn kAreaColumns[] = {
    {"Cliente", 3000}, {"N/Pratica", 1000}, {"Data", 1500},
    {"Oggetto", 4000}, {"In Istrutt.", 1000}, {"Complet.", 1000},
};

void writeHeaders(xl::Worksheet& sh, int columns) {
    for (int i = 0; i < columns; ++i)
        sh.Cells(1, kAreaFirstCol + i).SetValue(xl::Value(QString::fromUtf8(kAreaColumns[i].caption)));
}

// One result row from practice row `row`: client, number, opening date as a
// date value, subject and, for the search by client, the two flags. A cell
// that cannot be copied (a date that is no date) is left empty.
void copyResult(xl::Worksheet& sh, int row, int target, bool withFlags) {
    auto copy = [&](int fromCol, int toCol) {
        skipping([&] {
            const xl::Value v = sh.Cells(row, fromCol).GetValue();
            if (!isBlank(v)) sh.Cells(target, toCol).SetValue(v);
        });
    };
    copy(ColClient, kAreaFirstCol);
    copy(ColNumber, kAreaFirstCol + 1);
    skipping([&] {
        if (const auto d = dateValue(sh.Cells(row, ColDate).GetValue()))
            sh.Cells(target, kAreaFirstCol + 2).SetValue(*d);
    });
    copy(ColSubject, kAreaFirstCol + 3);
    if (withFlags) {
        copy(ColInPreparation, kAreaFirstCol + 4);
        copy(ColCompleted, kAreaFirstCol + 5);
    }
}

} // namespace

SearchPanel::SearchPanel(Form1& f) : QGroupBox(QStringLiteral("Ricerca")), form(f) {
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
    switch (lastSearch_) {
    case Search::None: s.last = store::SearchState::None; break;
    case Search::InPreparation: s.last = store::SearchState::InPreparation; break;
    case Search::Completed: s.last = store::SearchState::Completed; break;
    case Search::Client: s.last = store::SearchState::Client; break;
    }
    s.inPreparationTicked = Check8->isChecked();
    s.completedTicked = Check9->isChecked();
    return s;
}

void SearchPanel::openPanel() {
    form.switchPanels({{form.Toolbar1, false}, {this, true}, {form.Frame3, false}, {form.Frame2, false},
                       {form.Frame4, false}, {form.Frame5, false}, {form.Frame1, false}});
    Check9->setChecked(false);
    Check8->setChecked(false);
    ListView2->removeItems();
    guarded([&] { form.LoadSearchClientCombo(); });
    Combo7->setEditText(kSeleziona);
}

void SearchPanel::clearWorkArea() {
    // The whole area, down to its last used row: results left below a fixed
    // bound would mix with the next search's.
    xl::Worksheet& sh = form.Excel.Sheets(kPratica);
    int last = 0;
    for (int col = kAreaFirstCol; col <= kAreaLastCol; ++col) last = std::max(last, lastFilledRow(sh, col));
    if (last >= 2) sh.GetRange(sh.Cells(2, kAreaFirstCol), sh.Cells(last, kAreaLastCol)).ClearContents();
}

void SearchPanel::listResults(int columns) {
    ListView2->removeItems();
    ListView2->removeColumns();
    for (int i = 0; i < columns; ++i)
        ListView2->addColumn(QString::fromUtf8(kAreaColumns[i].caption), kAreaColumns[i].widthTwips);
    xl::Worksheet& sh = form.Excel.Sheets(kPratica);
    sh.Select();
    // Every result row, also one whose client is empty: the rows are counted
    // when they are written, not found again by their first cell.
    std::vector<QStringList> rows;
    rows.reserve(static_cast<std::size_t>(std::max(0, resultCount_)));
    for (int row = 2; row < 2 + resultCount_; ++row) {
        QStringList texts;
        for (int i = 0; i < columns; ++i) texts << vb::CStr(sh.Cells(row, kAreaFirstCol + i).GetValue());
        rows.push_back(texts);
    }
    ListView2->addItems(rows);
}

void SearchPanel::resetPanel() {
    form.ResetForm();
    Check8->setChecked(false);
    Check9->setChecked(false);
    ListView2->removeItems();
    guarded([&] { form.LoadSearchClientCombo(); });
    Combo7->setEditText(kSeleziona);
}

void SearchPanel::runStateSearch(int flagColumn) {
    resultCount_ = 0;
    lastSearch_ = Search::None;
    guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        sh.Select();
        clearWorkArea();
        writeHeaders(sh, 4);
        form.Excel.ScreenUpdating = false;
        // Every practice that carries a flag, however far down.
        const int last = lastFilledRow(sh, flagColumn);
        for (int row = 2; row <= last; ++row) {
            const xl::Value flag = sh.Cells(row, flagColumn).GetValue();
            if (!flag.isText() || flag.textValue() != QStringLiteral("SI")) continue;
            copyResult(sh, row, 2 + resultCount_, false);
            ++resultCount_;
        }
    });
    form.Excel.ScreenUpdating = true;

    if (resultCount_ == 0) {
        ui::dialogs().message(QStringLiteral("Nessuna Pratica trovata,Riprova"), kTitle, ui::MsgIcon::None);
        resetPanel();
        return;
    }
    guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        sh.Select();
        if (resultCount_ >= 2) {
            // The block starts below the header row, so it has none.
            xl::Range block = sh.GetRange(sh.Cells(2, kAreaFirstCol), sh.Cells(1 + resultCount_, kAreaFirstCol + 3));
            block.Sort(sh.Cells(2, kAreaFirstCol), xl::xlAscending, xl::xlNo);
        }
        sh.Cells(1, kAreaFirstCol).Select();
        listResults(4);
        lastSearch_ = flagColumn == ColCompleted ? Search::Completed : Search::InPreparation;
    });
}

void SearchPanel::Check8_Click() {
    if (!Check8->isChecked()) return;
    Combo7->setEditText(kSeleziona);
    Text27->clear();
    Check9->setChecked(false);
    runStateSearch(ColInPreparation);
}

void SearchPanel::Check9_Click() {
    if (!Check9->isChecked()) return;
    Check8->setChecked(false);
    Combo7->setEditText(kSeleziona);
    Text27->clear();
    ListView2->removeItems();
    runStateSearch(ColCompleted);
}

void SearchPanel::Combo7_Click(int index) {
    const int row = index + 2;
    if (Combo7->currentText().isEmpty() || index < 0 || !vb::fitsRow16(row)) return;
    guarded([&] {
        xl::Worksheet& clients = form.Excel.Sheets(QStringLiteral("Cliente"));
        const xl::Value name = clients.Cells(row, 2).GetValue();
        const xl::Value id = clients.Cells(row, 1).GetValue();
        Combo7->setEditText(vb::CStr(name));
        Text27->setText(vb::CStr(id));
    });
}

void SearchPanel::Command22_Click() {
    if (Check8->isChecked() || Check9->isChecked() || Combo7->currentText() == kSeleziona || Text27->text().isEmpty()) {
        ui::dialogs().message(QStringLiteral("ERRORE: Bisogna SELEZIONARE IL CLIENTE e i campi  :Pratiche in "
                                             "Istruttoria e Completate devono essere vuoti !"),
                              QStringLiteral(" Velmora"), ui::MsgIcon::Information);
        form.ResetForm();
        Check8->setChecked(false);
        Check9->setChecked(false);
        Combo7->setFocus();
        Combo7->setEditText(kSeleziona);
        return;
    }
    ListView2->removeItems();
    resultCount_ = 0;
    lastSearch_ = Search::None;
    const QString client = Combo7->currentText();
    guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        sh.Select();
        clearWorkArea();
        writeHeaders(sh, 6);
        form.Excel.ScreenUpdating = false;
        const int last = std::max(lastFilledRow(sh, ColNumber), lastFilledRow(sh, ColClient));
        for (int row = 2; row <= last; ++row) {
            // Exact: letter case and blanks count.
            if (vb::CStr(sh.Cells(row, ColClient).GetValue()) != client) continue;
            copyResult(sh, row, 2 + resultCount_, true);
            ++resultCount_;
        }
    });
    form.Excel.ScreenUpdating = true;

    if (resultCount_ == 0) {
        ui::dialogs().message(QStringLiteral("Nessuna Pratica  presente per il Cliente Selezionato,Riprova!"), kTitle,
                              ui::MsgIcon::None);
        return;
    }
    guarded([&] {
        listResults(6);
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
    case Search::Completed: form.requestPrint(12); break;
    case Search::Client: form.requestPrint(13); break;
    case Search::None:
        ui::dialogs().message(QStringLiteral("Non ci sono risultati da stampare: eseguire prima una ricerca"), kTitle,
                              ui::MsgIcon::Information);
        break;
    }
}

void SearchPanel::Command16_Click() {
    // The save comes first: the stored workbook keeps the last results.
    form.SaveWorkbook();
    guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        sh.Select();
        clearWorkArea();
        sh.Cells(1, 1).Select();
    });
    lastSearch_ = Search::None;
    resultCount_ = 0;
    form.switchPanels({{this, false}, {form.Toolbar1, true}, {form.Frame1, true}});
    ListView2->removeItems();
    form.ResetForm();
    form.Frame1->showInsertButtons(true);
}
