#include "practices/practicepanel.h"

#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "platform/engine/vbconv.h"
#include "practices/attachmentsform.h"
#include "practices/icons.h"
#include "practices/messages.h"
#include "practices/numberchooser.h"
#include "practices/scannerform.h"
#include "practices/searchpanel.h"
#include "store/clientsheet.h"
#include "store/ledgersheet.h"
#include "store/panelcontext.h"
#include "store/savepoint.h"
#include "store/varie.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

using namespace practices;
using handlers::guarded;
using handlers::skipping;
using store::PracticeRecord;
namespace msg = practices::msg;
namespace sheet = store::practices;

namespace {

void info(const QString& text, const QString& title = msg::kTitle) {
    ui::dialogs().message(text, title, ui::MsgIcon::Information);
}

bool ask(const QString& text) { return ui::dialogs().question(text, msg::kTitle); }

// Switches screen updating off for one operation and on again however it ends.
class QuietScreen {
public:
    explicit QuietScreen(store::Book& book) : app_(book.application()) { app_.ScreenUpdating = false; }
    ~QuietScreen() { app_.ScreenUpdating = true; }
    QuietScreen(const QuietScreen&) = delete;
    QuietScreen& operator=(const QuietScreen&) = delete;

private:
    xl::Application& app_;
};

// One of the reference lists (clients, binders, sectors) into a combo box.
void fillList(QComboBox* combo, const QStringList& items) { refillComboList(combo, items); }

} // namespace

PracticePanel::PracticePanel(store::PanelContext& ctx) : QGroupBox(QStringLiteral("Gestione Pratiche ")), ctx_(ctx) {
    setObjectName(QStringLiteral("Frame1"));
    Text1 = named(new QLineEdit(this), "Text1");
    Check1 = named(new QCheckBox(this), "Check1");
    Text2 = named(new QLineEdit(this), "Text2");
    Text8 = named(new QLineEdit(this), "Text8");
    Combo1 = named(new QComboBox(this), "Combo1");
    Text3 = named(new QLineEdit(this), "Text3");
    Text4 = named(new MultiLineTextBox(this), "Text4");
    Combo2 = named(new QComboBox(this), "Combo2");
    Text37 = named(new QLineEdit(this), "Text37");
    Text5 = named(new QLineEdit(this), "Text5");
    Combo3 = named(new QComboBox(this), "Combo3");
    Check2 = named(new QCheckBox(QStringLiteral("Istruttoria"), this), "Check2");
    Check3 = named(new QCheckBox(QStringLiteral("Completata"), this), "Check3");
    Text6 = named(new MultiLineTextBox(this), "Text6");
    Label1 = named(new QLabel(QStringLiteral("Seleziona Pratica"), this), "Label1");
    ListView1 = named(new ListView(this), "ListView1");

    Command24 = named(new QPushButton(this), "Command24");
    Command26 = named(new QPushButton(this), "Command26");
    Command14 = named(new QPushButton(this), "Command14");
    Command15 = named(new QPushButton(this), "Command15");
    cmd14 = named(new QPushButton(QStringLiteral("&Ricerca"), this), "cmd14");
    Command28 = named(new QPushButton(QStringLiteral("&Acconti/Spese"), this), "Command28");
    Command200 = named(new QPushButton(QStringLiteral("&Etichetta"), this), "Command200");
    Command50 = named(new QPushButton(QStringLiteral("&Acquisisci documento"), this), "Command50");
    Command51 = named(new QPushButton(QStringLiteral("&Visualizza Allegati"), this), "Command51");

    // The number and the date come only from the chooser, the calendar or a
    // pick in the list, so the user cannot type into them.
    for (QLineEdit* e : {Text1, Text2, Text8}) {
        e->setAlignment(Qt::AlignCenter);
        e->setReadOnly(true);
    }
    limitTyping(Text3, 100);
    Text4->setMaxLength(100);
    limitTyping(Text5, 15);
    limitTyping(Text37, 100);
    Text37->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Text37->setToolTip(QStringLiteral("Come separatore decimale si può usare il punto del tastierino numerico"));
    Combo1->setToolTip(QStringLiteral("Occorre selezionare un cliente già inserito da GESTIONE CLIENTE"));
    for (QComboBox* c : {Combo1, Combo2, Combo3}) {
        c->setEditable(true);
        // An entry's place in the list is its row on the sheet: a typed text
        // must never become an entry of its own.
        c->setInsertPolicy(QComboBox::NoInsert);
    }

    Command24->setIcon(sortIcon(true, true));
    Command26->setIcon(sortIcon(true, false));
    Command14->setIcon(sortIcon(false, true));
    Command15->setIcon(sortIcon(false, false));
    Command24->setToolTip(QStringLiteral("Ordina per numero pratica crescente"));
    Command26->setToolTip(QStringLiteral("Ordina per numero pratica decrescente"));
    Command14->setToolTip(QStringLiteral("Ordina per cliente crescente"));
    Command15->setToolTip(QStringLiteral("Ordina per cliente decrescente"));
    for (QPushButton* b : {Command24, Command26, Command14, Command15}) {
        b->setIconSize(QSize(24, 24));
        b->setFixedSize(34, 34);
    }

    buildLayout();
    connectHandlers();
}

void PracticePanel::buildLayout() {
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(8);
    fields->setVerticalSpacing(5);
    // Row 0: number, calendar box, date, clock.
    fields->addWidget(label(QStringLiteral("Numero Pratica"), Text1), 0, 0);
    auto* numberRow = new QHBoxLayout;
    Text1->setFixedWidth(90);
    Text2->setFixedWidth(110);
    Text8->setFixedWidth(130);
    numberRow->addWidget(Text1);
    numberRow->addSpacing(12);
    numberRow->addWidget(Check1);
    numberRow->addWidget(label(QStringLiteral("Data Apertura"), Text2));
    numberRow->addWidget(Text2);
    numberRow->addStretch(1);
    numberRow->addWidget(Text8);
    fields->addLayout(numberRow, 0, 1, 1, 3);
    // Client, subject, description across.
    fields->addWidget(label(QStringLiteral("Cliente"), Combo1), 1, 0);
    fields->addWidget(Combo1, 1, 1, 1, 3);
    fields->addWidget(label(QStringLiteral("Oggetto"), Text3), 2, 0);
    fields->addWidget(Text3, 2, 1, 1, 3);
    fields->addWidget(label(QStringLiteral("Descrizione"), Text4), 3, 0, Qt::AlignTop);
    Text4->setFixedHeight(46);
    fields->addWidget(Text4, 3, 1, 1, 3);
    // Sector with the estimate to its right.
    fields->addWidget(label(QStringLiteral("Settore"), Combo2), 4, 0);
    fields->addWidget(Combo2, 4, 1);
    fields->addWidget(label(QStringLiteral("Preventivo €"), Text37), 4, 2, Qt::AlignRight);
    Text37->setFixedWidth(150);
    fields->addWidget(Text37, 4, 3);
    // Place, binder and the two status boxes in one row.
    fields->addWidget(label(QStringLiteral("Collocazione/Faldone"), Text5), 5, 0);
    auto* placeRow = new QHBoxLayout;
    Text5->setFixedWidth(110);
    Combo3->setMinimumWidth(120);
    placeRow->addWidget(Text5);
    placeRow->addWidget(Combo3);
    placeRow->addStretch(1);
    placeRow->addWidget(Check2);
    placeRow->addSpacing(16);
    placeRow->addWidget(Check3);
    fields->addLayout(placeRow, 5, 1, 1, 3);
    // The notes, wide, below the status boxes.
    Text6->setFixedHeight(58);
    fields->addWidget(Text6, 6, 1, 1, 3);
    fields->setColumnStretch(1, 1);

    // The sort buttons at the right above the list.
    auto* sortRow = new QHBoxLayout;
    sortRow->addWidget(Label1, 0, Qt::AlignBottom);
    sortRow->addStretch(1);
    auto sortPair = [this](const QString& caption, QPushButton* a, QPushButton* b) {
        auto* box = new QVBoxLayout;
        box->setSpacing(1);
        auto* l = new QLabel(caption, this);
        l->setAlignment(Qt::AlignCenter);
        box->addWidget(l);
        auto* row = new QHBoxLayout;
        row->setSpacing(2);
        row->addWidget(a);
        row->addWidget(b);
        box->addLayout(row);
        return box;
    };
    sortRow->addLayout(sortPair(QStringLiteral("Pratica"), Command24, Command26));
    sortRow->addSpacing(10);
    sortRow->addLayout(sortPair(QStringLiteral("Cliente"), Command14, Command15));

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addLayout(sortRow);
    left->addWidget(ListView1, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    setLeastWidth({cmd14, Command28, Command200, Command50, Command51}, 170);
    for (QPushButton* b : {cmd14, Command28, Command200, Command50, Command51}) buttons->addWidget(b);

    auto* lay = new QHBoxLayout(this);
    lay->addLayout(left, 1);
    lay->addLayout(buttons);
}

void PracticePanel::connectHandlers() {
    for (int i = 1; i <= 7; ++i) {
        QAction* a = ctx_.toolbarButton(i);
        if (!a) continue;
        a->setIcon(toolbarIcon(i));
        connect(a, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i); });
    }
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });
    connect(Check3, &QCheckBox::toggled, this, [this] { Check3_Click(); });
    connect(Combo1, &QComboBox::editTextChanged, this, [this] { Combo1_Change(); });
    Text37->installEventFilter(this);
    connect(ListView1, &ListView::rowClicked, this, [this] { ListView1_ItemClick(); });
    connect(Command24, &QPushButton::clicked, this, [this] { Command24_Click(); });
    connect(Command26, &QPushButton::clicked, this, [this] { Command26_Click(); });
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });
    connect(Command15, &QPushButton::clicked, this, [this] { Command15_Click(); });
    connect(cmd14, &QPushButton::clicked, this, [this] { cmd14_Click(); });
    connect(Command28, &QPushButton::clicked, this, &PracticePanel::ledgerRequested);
    connect(Command200, &QPushButton::clicked, this, [this] {
        guarded([this] {
            if (!ctx_.printLabel()) Text2->setFocus();
        });
    });
    connect(Command50, &QPushButton::clicked, this, [this] { Command50_Click(); });
    connect(Command51, &QPushButton::clicked, this, [this] { Command51_Click(); });
    // Whenever the fields are emptied (the form-wide reset, from wherever it
    // comes) no practice is shown any more, so a new one may be inserted.
    connect(Text1, &QLineEdit::textChanged, this, [this](const QString& t) {
        if (t.isEmpty()) showInsertButtons(true);
    });
}

void PracticePanel::showInsertButtons(bool visible) {
    for (int i : {1, 2})
        if (QAction* a = ctx_.toolbarButton(i)) a->setVisible(visible);
}

// ---------------------------------------------------------------------------
// The practice list and the combo boxes

void PracticePanel::SetUpPracticeList() {
    ListView1->removeItems();
    ListView1->removeColumns();
    const QStringList headers = sheet::listHeaders(ctx_.book());
    const std::vector<int>& widths = sheet::listWidths();
    for (int c = 0; c < headers.size(); ++c) ListView1->addColumn(headers[c], widths[c]);
    ListView1->setFitColumns(true);
    ListView1->setRows(sheet::listSource(ctx_.book()));
}

// The list shows the sheet as it is now and keeps that view (a later sort of
// the sheet does not reorder it) until the next fill.
void PracticePanel::FillPracticeList() { ListView1->setRows(sheet::listSource(ctx_.book())); }

void PracticePanel::releaseList() {
    if (isHidden()) ListView1->removeItems();
}

void PracticePanel::SortPracticeSheet() {
    QuietScreen quiet(ctx_.book());
    sheet::sortByNumber(ctx_.book());
}

void PracticePanel::LoadBinderCombo() { fillList(Combo3, store::binderNumbers(ctx_.book())); }

void PracticePanel::LoadClientCombo() {
    store::activateClients(ctx_.book());
    fillList(Combo1, store::clientNames(ctx_.book()));
}

void PracticePanel::LoadSectorCombo() { fillList(Combo2, store::sectorNames(ctx_.book())); }

void PracticePanel::reloadCombos() {
    LoadBinderCombo();
    LoadClientCombo();
    LoadSectorCombo();
}

// ---------------------------------------------------------------------------
// Toolbar

void PracticePanel::Toolbar1_ButtonClick(int index) {
    guarded([&] {
        if (index == 4 && shown(this)) {
            ctx_.save();
            ctx_.requestPrint(7);
        }
        if (index == 1 && shown(this)) {
            InsertPractice();
            SortPracticeSheet();
            reloadCombos();
        }
        if (index == 7) {
            ctx_.switchPanels({{store::Panel::Practice, false},
                               {store::Panel::NumberChooser, false},
                               {store::Panel::Client, false},
                               {store::Panel::Sector, false},
                               {store::Panel::Binder, false},
                               {store::Panel::Toolbar, false}});
            showInsertButtons(true);
            ctx_.save();
        }
        if (index == 2 && shown(this) && chooser_) {
            chooser_->propose(QString());
            ctx_.switchPanels(
                {{store::Panel::NumberChooser, true}, {store::Panel::Practice, false}, {store::Panel::Toolbar, false}});
            // A counter that holds no number (an old insert stored whatever the
            // number box held) counts as 0 rather than stopping here.
            chooser_->propose(vb::CStr(xl::Value(sheet::counter(ctx_.book()) + 1)));
            ctx_.save();
        }
        if (index == 5 && shown(this)) {
            ctx_.resetForm();
            ctx_.save();
            showInsertButtons(true);
            reloadCombos();
        }
        if (index == 3 && shown(this)) {
            ModifyPractice();
            // An amount or a note that cannot be stored is refused so that the
            // user can put it right: emptying the panel now would lose every
            // other change made to the practice.
            if (keepFields_) return;
            ctx_.resetForm();
            reloadCombos();
            showInsertButtons(true);
            ListView1->removeItems();
            ctx_.save();
            FillPracticeList();
        }
        if (index == 6 && shown(this)) {
            DeletePractice();
            showInsertButtons(true);
            ListView1->removeItems();
            ctx_.save();
            FillPracticeList();
        }
    });
}

// ---------------------------------------------------------------------------
// Field handlers

void PracticePanel::Check1_Click() {
    if (Check1->isChecked()) {
        Calendario* cal = ctx_.calendar();
        cal->show();
        cal->raise();
    }
}

void PracticePanel::setNumber(const QString& number) { Text1->setText(number); }

void PracticePanel::appendNote(const QString& line) { Text6->setText(Text6->text() + QStringLiteral("\r\n") + line); }

void PracticePanel::showClock(const QString& text) { Text8->setText(text); }

void PracticePanel::focusOpeningDate() { Text2->setFocus(); }

bool PracticePanel::takeDate(const QDate& picked) {
    if (!shown(this)) return false;
    Text2->setText(Calendario::fieldText(picked));
    Check1->setChecked(false);
    return true;
}

void PracticePanel::Check2_Click() {
    if (Check2->isChecked()) Check3->setChecked(false);
}

void PracticePanel::Check3_Click() {
    if (Check3->isChecked()) Check2->setChecked(false);
}

void PracticePanel::Combo1_Change() {
    QLineEdit* le = Combo1->lineEdit();
    if (!le) return;
    const QString text = le->text();
    const QString upper = text.toUpper();
    if (upper == text) return;
    const int pos = le->cursorPosition();
    const int selStart = le->selectionStart();
    const int selLen = static_cast<int>(le->selectedText().size());
    le->setText(upper);
    // Same length after upper-casing in every case we meet; a selection made
    // by the completion is kept so that typing on replaces it.
    if (selStart >= 0 && selLen > 0) {
        if (pos == selStart)
            le->setSelection(selStart + selLen, -selLen);
        else
            le->setSelection(selStart, selLen);
    } else {
        le->setCursorPosition(pos);
    }
}

bool PracticePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text37) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->text() == QStringLiteral(".")) {
                Text37->insert(QStringLiteral(","));
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            Text37_LostFocus();
        }
    }
    return QGroupBox::eventFilter(watched, event);
}

void PracticePanel::Text37_LostFocus() {
    if (Text37->text().isEmpty()) return;
    // A text that is not an amount stays as typed: the insert and the modify
    // refuse it with a message, so nothing wrong reaches the sheet.
    const std::optional<QString> formatted = sheet::estimateText(Text37->text());
    if (formatted && !formatted->isEmpty()) Text37->setText(*formatted);
}

bool PracticePanel::normaliseEstimate() {
    const QString text = Text37->text();
    const std::optional<QString> formatted = sheet::estimateText(text);
    if (!formatted) {
        info(msg::kBadEstimate);
        Text37->setFocus();
        return false;
    }
    if (formatted->isEmpty()) {
        if (!text.isEmpty()) Text37->clear();
        return true;
    }
    Text37->setText(*formatted);
    return true;
}

bool PracticePanel::acceptStorableFields() {
    if (!normaliseEstimate()) return false;
    // A cell holds at most this much text; the notes grow with every scanned
    // document and have no typing limit, so a longer note must be refused
    // here rather than leave a record written up to its notes.
    if (Text6->text().size() > xl::kMaxCellText) {
        info(msg::notesTooLong());
        Text6->setFocus();
        return false;
    }
    return true;
}

bool PracticePanel::refuseMissingFields(const QString& title) {
    if (!Text1->text().isEmpty() && !Combo1->currentText().isEmpty() && !Text2->text().isEmpty()) return false;
    info(msg::kMissingFields, title);
    Text1->setFocus();
    return true;
}

// ---------------------------------------------------------------------------
// The practice shown, to and from a record

PracticeRecord PracticePanel::shownRecord() const {
    PracticeRecord r;
    r.number = Text1->text();
    r.opened = Text2->text();
    r.client = Combo1->currentText();
    r.subject = Text3->text();
    r.description = Text4->text();
    r.sector = Combo2->currentText();
    r.place = Text5->text();
    r.binder = Combo3->currentText();
    r.inPreparation = Check2->isChecked();
    r.completed = Check3->isChecked();
    r.notes = Text6->text();
    r.estimate = Text37->text();
    return r;
}

store::ShownPractice PracticePanel::shownPractice() const {
    const PracticeRecord r = shownRecord();
    store::ShownPractice p;
    p.number = r.number;
    p.date = r.opened;
    p.client = r.client;
    p.subject = r.subject;
    p.description = r.description;
    p.sector = r.sector;
    p.place = r.place;
    p.binder = r.binder;
    p.inPreparation = r.inPreparation;
    p.completed = r.completed;
    p.notes = r.notes;
    p.estimate = r.estimate;
    return p;
}

void PracticePanel::showRecord(const PracticeRecord& r) {
    Text1->setText(r.number);
    Text2->setText(r.opened);
    Combo1->setEditText(r.client);
    setTextWhole(Text3, r.subject);
    Text4->setText(r.description);
    Combo2->setEditText(r.sector);
    setTextWhole(Text5, r.place);
    Combo3->setEditText(r.binder);
    // Both boxes are set before either is cleared: ticking one clears the
    // other, and the practice's own pair must be what stays.
    if (r.inPreparation) Check2->setChecked(true);
    if (r.completed) Check3->setChecked(true);
    if (!r.inPreparation) Check2->setChecked(false);
    if (!r.completed) Check3->setChecked(false);
    Text6->setText(r.notes);
    setTextWhole(Text37, r.estimate);
}

// ---------------------------------------------------------------------------
// Record operations

void PracticePanel::InsertPractice() {
    QuietScreen quiet(ctx_.book());
    if (refuseMissingFields(msg::kTitle)) return;
    // The estimate typed with the focus still in its box has not been
    // formatted yet: it is, here, before anything is written.
    if (!acceptStorableFields()) return;
    if (!vb::CDate(Text2->text())) {
        info(msg::kBadDate);
        Text1->setFocus();
        return;
    }
    // A second record with a number already used would never be reached by
    // a find by key again.
    bool existing = false;
    if (!guarded([&] { existing = sheet::exists(ctx_.book(), Text1->text()); })) return;
    if (existing) {
        info(msg::duplicateNumber(Text1->text()));
        Text1->setFocus();
        return;
    }
    if (!ask(msg::kAskInsert)) return;

    store::SavePoint sp(ctx_);
    store::Outcome outcome = store::Outcome::Invalid;
    if (!guarded([&] { outcome = sheet::append(ctx_.book(), shownRecord()); })) return;
    if (outcome == store::Outcome::SheetFull) info(msg::kSheetFull);
    if (!store::done(outcome)) return;

    ctx_.resetForm();
    info(msg::kInserted, msg::kTitleBlank);
    // The toolbar loads the three lists again right after; a list the sheets
    // still give is kept then, so only the choice goes here.
    for (QComboBox* c : {Combo1, Combo2, Combo3}) dropComboChoice(c);
    Text1->setFocus();
    sp.save();
}

void PracticePanel::ModifyPractice() {
    keepFields_ = false;
    if (refuseMissingFields(msg::kTitle)) return;
    if (!acceptStorableFields()) {
        keepFields_ = true;
        return;
    }
    if (!ask(msg::kAskModify)) return;

    store::SavePoint sp(ctx_);
    bool stop = false;
    store::Outcome outcome = store::Outcome::NotFound;
    const bool done = guarded([&] {
        if (!sheet::any(ctx_.book())) {
            info(msg::kNoPractices);
            stop = true;
            return;
        }
        outcome = sheet::update(ctx_.book(), shownRecord());
    });
    if (stop) return;
    if (!done) {
        // The failure has been reported; the practice stays in the panel.
        keepFields_ = true;
        return;
    }
    if (store::done(outcome))
        info(msg::kModified);
    else
        info(msg::notFound(Text1->text()));
    ctx_.resetForm();
    sp.save();
}

void PracticePanel::DeletePractice() {
    if (Text1->text().isEmpty()) {
        info(msg::kSelectFirst);
        return;
    }
    // Only the practice whose number is the box's: a leading number ("7bis",
    // "1 2") must never stand for another practice.
    const std::optional<qint64> number = sheet::wholeNumber(Text1->text());
    if (!number) {
        info(msg::kNotWholeNumber);
        return;
    }
    if (!ask(msg::kAskDelete)) return;

    store::SavePoint sp(ctx_);
    store::Outcome outcome = store::Outcome::NotFound;
    if (!guarded([&] { outcome = sheet::remove(ctx_.book(), *number); })) return;
    if (store::done(outcome))
        info(msg::kDeleted, msg::kTitleBlank);
    else
        info(msg::notFound(Text1->text()));

    // Asked also when no practice matched, so that entries left behind by an
    // earlier delete can still be removed.
    if (ask(msg::kAskDeleteEntries)) {
        guarded([&] {
            if (store::done(store::removeLedgerEntriesOfPractice(ctx_.book(), *number)))
                info(msg::kEntriesDeleted, msg::kTitleBlank);
            else
                info(msg::kNoEntries);
        });
    }
    ctx_.resetForm();
    FillPracticeList();
    sp.save();
}

void PracticePanel::ListView1_ItemClick() {
    QuietScreen quiet(ctx_.book());
    const int row = ListView1->selectedRow();
    if (row < 0) return;

    QStringList texts;
    for (int c = 0; c < ListView1->columnCount(); ++c) texts << ListView1->itemText(row, c);
    showRecord(PracticeRecord::fromTexts(texts));
    showInsertButtons(false);
}

// ---------------------------------------------------------------------------
// Sorts

void PracticePanel::sortPractices(store::PracticeKey key, bool ascending) {
    guarded([&] {
        QuietScreen quiet(ctx_.book());
        sheet::sort(ctx_.book(), key, ascending);
        FillPracticeList();
    });
}

void PracticePanel::Command24_Click() { sortPractices(store::PracticeKey::Number, true); }
void PracticePanel::Command26_Click() { sortPractices(store::PracticeKey::Number, false); }
void PracticePanel::Command14_Click() { sortPractices(store::PracticeKey::Client, true); }
void PracticePanel::Command15_Click() { sortPractices(store::PracticeKey::Client, false); }

void PracticePanel::cmd14_Click() {
    if (search_) search_->openPanel();
}

// ---------------------------------------------------------------------------
// Documents

Form5& PracticePanel::scannerForm() {
    if (Form5* existing = loadedForm5(*window())) return *existing;
    auto* scan = new Form5(window(), ctx_.documentsFolder());
    // Only a document actually written is noted on the practice.
    connect(scan, &Form5::documentAcquired, this,
            [this](const QString& name) { appendNote(QStringLiteral("Allegato:-") + name); });
    return *scan;
}

Form3& PracticePanel::attachmentsForm() {
    if (Form3* existing = loadedForm3(*window())) return *existing;
    auto* pick = new Form3(window(), ctx_.documentsFolder());
    connect(pick, &Form3::documentChosen, this, [this](const QString& path) { ctx_.openDocument(path); });
    return *pick;
}

// The scanner form serves the practice shown: number, client and date must
// be there.
void PracticePanel::Command50_Click() {
    if (Text1->text().isEmpty() || Combo1->currentText().isEmpty() || Text2->text().isEmpty()) {
        ui::dialogs().message(msg::kScanNeedsPractice, msg::kTitle, ui::MsgIcon::Information);
        return;
    }
    Form5& scan = scannerForm();
    scan.show();
    scan.clearName();
}

void PracticePanel::Command51_Click() { attachmentsForm().show(); }
