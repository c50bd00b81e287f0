#include "reference/sectorbinder.h"

#include "app/form1.h"
#include "platform/desktop/named.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "reference/records.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using refdata::guarded;

namespace {

const QString kTitle = QStringLiteral("Velmora");
const QString kSheet = QStringLiteral("Varie");
constexpr int kBinderCol = 1, kBinderDescCol = 2, kBinderNoteCol = 3;
constexpr int kSectorCol = 5, kSectorDescCol = 6;

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

LookupPanel::LookupPanel(Form1& f, const QString& caption, const QString& fieldName)
    : QGroupBox(caption), form(f), fieldName_(fieldName) {}

void LookupPanel::setTable(QComboBox* key, int keyColumn, std::vector<Field> fields) {
    key_ = key;
    keyColumn_ = keyColumn;
    fields_ = std::move(fields);
}

QString LookupPanel::readCell(int row, int column) {
    return vb::CStr(form.Excel.Sheets(kSheet).Cells(row, column).GetValue());
}

void LookupPanel::writeCell(int row, int column, const QString& text) {
    form.Excel.Sheets(kSheet).Cells(row, column).SetValue(xl::Value::text(text));
}

void LookupPanel::rebuildList() { refdata::fillFromColumn(key_, form.Excel.Sheets(kSheet), keyColumn_); }

void LookupPanel::loadChosen() {
    guarded([&] {
        const int row = refdata::chosenRow(key_);
        if (row == 0 || key_->currentText().isEmpty()) return;
        key_->setEditText(readCell(row, keyColumn_));
        for (const Field& f : fields_) f.box->setText(readCell(row, f.column));
    });
}

bool LookupPanel::insertKeyGiven() {
    if (!key_->currentText().isEmpty()) return true;
    ui::dialogs().message(QStringLiteral(" Il campo : %1 , deve essere compilato").arg(fieldName_), kTitle,
                          ui::MsgIcon::Information);
    key_->setFocus();
    return false;
}

bool LookupPanel::insertRecord(const QString& question, const QString& done) {
    if (!ui::dialogs().question(question, kTitle)) return false;
    xl::Worksheet& sheet = form.Excel.Sheets(kSheet);
    // Each table finds its own first free row: the other table beside it
    // may be longer or shorter.
    const int row = refdata::firstEmptyRow(sheet, keyColumn_);
    if (row == 0) {
        ui::dialogs().message(QStringLiteral("ERRORE- Il foglio Varie è pieno: non c'è posto per un nuovo %1.").arg(fieldName_),
                              kTitle, ui::MsgIcon::Information);
        return false;
    }
    writeCell(row, keyColumn_, key_->currentText());
    for (const Field& f : fields_) writeCell(row, f.column, f.box->text());
    ui::dialogs().message(done, QStringLiteral(" Velmora"), ui::MsgIcon::Information);
    key_->clear();
    key_->setEditText(QString());
    for (const Field& f : fields_) f.box->clear();
    rebuildList();
    return true;
}

int LookupPanel::rowToModify() {
    // Writing by list position is safe only for an entry of the list: a typed
    // key would address the header row, and the change would be lost.
    const int row = refdata::chosenRow(key_);
    if (key_->currentText().isEmpty() || row == 0) {
        ui::dialogs().message(QStringLiteral(" Il campo :  %1 , deve essere compilato").arg(fieldName_), kTitle,
                              ui::MsgIcon::Information);
        key_->setFocus();
        return 0;
    }
    return row;
}

// ---------------------------------------------------------------------------
// Sectors: columns E and F.

SectorPanel::SectorPanel(Form1& f) : LookupPanel(f, QStringLiteral("Nuova Classificazione"), QStringLiteral("SETTORE")) {
    setObjectName(QStringLiteral("Frame4"));
    Combo6 = keyBox(this, "Combo6");
    Text28 = named(new QLineEdit(this), "Text28");
    Command1 = named(new QPushButton(QStringLiteral("Salva"), this), "Command1");
    Command9 = named(new QPushButton(QStringLiteral("Modifica"), this), "Command9");
    Command13 = named(new QPushButton(QStringLiteral("&Stampa"), this), "Command13");
    Command2 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command2");
    layOut(this, {{"Nuovo Settore", Combo6}, {"Note", Text28}}, {Command1, Command9, Command13, Command2});
    setTable(Combo6, kSectorCol, {{kSectorDescCol, Text28}});

    connect(Combo6, &QComboBox::activated, this, [this](int) { Combo6_Click(); });
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command13, &QPushButton::clicked, this, [this] { Command13_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
}

void SectorPanel::Combo6_Click() { loadChosen(); }

void SectorPanel::Command1_Click() {
    guarded([&] {
        if (!insertKeyGiven()) return;
        if (!insertRecord(QStringLiteral(" Vuoi Inserire questo SETTORE ?"), QStringLiteral("SETTORE aggiunto con successo !")))
            return;
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
        writeCell(row, kSectorDescCol, Text28->text());
        Combo6->setEditText(readCell(row, kSectorCol));
        ui::dialogs().message(QStringLiteral(" Modificazione avvenuta !"), kTitle, ui::MsgIcon::Information);
        form.ResetForm();
    });
}

void SectorPanel::Command13_Click() { form.requestPrint(10); }

void SectorPanel::Command2_Click() {
    form.ResetForm();
    form.switchPanels({{this, false}});
    form.SaveWorkbook();
}

// ---------------------------------------------------------------------------
// Binders: columns A to C.

BinderPanel::BinderPanel(Form1& f) : LookupPanel(f, QStringLiteral("Nuova Catalogazione"), QStringLiteral("NUMERO FALDONE")) {
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
    setTable(Combo5, kBinderCol, {{kBinderDescCol, Text29}, {kBinderNoteCol, Text31}});

    connect(Combo5, &QComboBox::activated, this, [this](int) { Combo5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
}

void BinderPanel::Combo5_Click() { loadChosen(); }

void BinderPanel::Command6_Click() {
    guarded([&] {
        if (!insertKeyGiven()) {
            form.SaveWorkbook();
            return;
        }
        if (insertRecord(QStringLiteral(" Vuoi Inserire questo FALDONE ?"), QStringLiteral("Faldone aggiunto con successo !"))) {
            Combo5->setFocus();
            form.SaveWorkbook();
        }
    });
}

void BinderPanel::Command8_Click() {
    guarded([&] {
        const int row = rowToModify();
        if (row == 0) return;
        writeCell(row, kBinderCol, Combo5->currentText());
        writeCell(row, kBinderDescCol, Text29->text());
        writeCell(row, kBinderNoteCol, Text31->text());
        ui::dialogs().message(QStringLiteral(" Modificazione avvenuta !"), kTitle, ui::MsgIcon::Information);
        form.ResetForm();
    });
}

void BinderPanel::Command7_Click() { form.requestPrint(9); }

void BinderPanel::Command5_Click() {
    form.switchPanels({{this, false}});
    Combo5->clear();
    form.ResetForm();
    form.SaveWorkbook();
}
