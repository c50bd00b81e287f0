#include "practices/practicepanel.h"

#include "platform/desktop/calendario.h"
#include "platform/desktop/controls.h"
#include "app/form1.h"
#include "platform/desktop/named.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "practices/icons.h"
#include "practices/numberchooser.h"
#include "practices/practicecommon.h"
#include "practices/searchpanel.h"
#include "reference/clientpanel.h"
#include "reference/sectorbinder.h"
#include "store/formatters.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>
#include <QVBoxLayout>

using namespace practices;

namespace {

const QString kTitle = QStringLiteral("Velmora");
const QString kTitleBlank = QStringLiteral(" Velmora");
const QString kPratica = QStringLiteral("Pratica");
const QString kSpese = QStringLiteral("Spese");

void info(const QString& text, const QString& title = kTitle) {
    ui::dialogs().message(text, title, ui::MsgIcon::Information);
}

bool ask(const QString& text) { return ui::dialogs().question(text, kTitle); }

QString notFoundText(const QString& number) {
    return QStringLiteral("ERRORE: Non esiste nessuna Pratica con il numero ") + number;
}

// Writes one cell of a record; an empty text leaves the cell empty rather
// than holding an empty text, so that every reader sees it as blank.
void put(xl::Worksheet& sh, int row, int col, const xl::Value& v) {
    xl::Range cell = sh.Cells(row, col);
    if (isBlank(v))
        cell.ClearContents();
    else
        cell.SetValue(v);
}

// Switches screen updating off for one operation and on again however it ends.
class QuietScreen {
public:
    explicit QuietScreen(xl::Application& app) : app_(app) { app_.ScreenUpdating = false; }
    ~QuietScreen() { app_.ScreenUpdating = true; }
    QuietScreen(const QuietScreen&) = delete;
    QuietScreen& operator=(const QuietScreen&) = delete;

private:
    xl::Application& app_;
};

} // namespace

PracticePanel::PracticePanel(Form1& f) : QGroupBox(QStringLiteral("Gestione Pratiche ")), form(f) {
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
    if (form.Toolbar1) form.Toolbar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    for (int i = 1; i <= 7; ++i) {
        QAction* a = form.toolbarButton(i);
        if (!a) continue;
        a->setIcon(toolbarIcon(i));
        connect(a, &QAction::triggered, this, [this, i] { Toolbar1_ButtonClick(i); });
    }
    connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
    connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });
    connect(Check3, &QCheckBox::toggled, this, [this] { Check3_Click(); });
    connect(Combo1, &QComboBox::editTextChanged, this, [this] { Combo1_Change(); });
    Text37->installEventFilter(this);
    connect(ListView1, &QTreeWidget::itemClicked, this, [this] { ListView1_ItemClick(); });
    connect(Command24, &QPushButton::clicked, this, [this] { Command24_Click(); });
    connect(Command26, &QPushButton::clicked, this, [this] { Command26_Click(); });
    connect(Command14, &QPushButton::clicked, this, [this] { Command14_Click(); });
    connect(Command15, &QPushButton::clicked, this, [this] { Command15_Click(); });
    connect(cmd14, &QPushButton::clicked, this, [this] { cmd14_Click(); });
    connect(Command200, &QPushButton::clicked, this, [this] {
        practices::guarded([this] {
            if (!form.printLabel()) Text2->setFocus();
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
        if (QAction* a = form.toolbarButton(i)) a->setVisible(visible);
}

// ---------------------------------------------------------------------------
// Toolbar

void PracticePanel::Toolbar1_ButtonClick(int index) {
    guarded([&] {
        if (index == 4 && shown(this)) {
            form.SaveWorkbook();
            form.requestPrint(7);
        }
        if (index == 1 && shown(this)) {
            InsertPractice();
            form.SortPracticeSheet();
            form.LoadBinderCombo();
            form.LoadClientCombo();
            form.LoadSectorCombo();
        }
        if (index == 7) {
            form.switchPanels({{form.Frame1, false}, {form.Frame2, false}, {form.Frame3, false},
                               {form.Frame4, false}, {form.Frame5, false}, {form.Toolbar1, false}});
            showInsertButtons(true);
            form.SaveWorkbook();
        }
        if (index == 2 && shown(this)) {
            NumberChooserPanel* chooser = form.Frame2;
            chooser->Text9->clear();
            form.switchPanels({{chooser, true}, {this, false}, {form.Toolbar1, false}});
            // A counter that holds no number (an old insert stored whatever the
            // number box held) counts as 0 rather than stopping here.
            const double last = counterValue(form.Excel.Sheets(kPratica).GetRange(QStringLiteral("IV1")).GetValue());
            chooser->Text9->setText(vb::CStr(xl::Value(last + 1)));
            form.SaveWorkbook();
        }
        if (index == 5 && shown(this)) {
            form.ResetForm();
            form.SaveWorkbook();
            showInsertButtons(true);
            form.LoadBinderCombo();
            form.LoadClientCombo();
            form.LoadSectorCombo();
        }
        if (index == 3 && shown(this)) {
            ModifyPractice();
            // An amount or a note that cannot be stored is refused so that the
            // user can put it right: emptying the panel now would lose every
            // other change made to the practice.
            if (keepFields_) return;
            form.ResetForm();
            form.LoadBinderCombo();
            form.LoadClientCombo();
            form.LoadSectorCombo();
            showInsertButtons(true);
            ListView1->removeItems();
            form.SaveWorkbook();
            form.FillPracticeList();
        }
        if (index == 6 && shown(this)) {
            DeletePractice();
            showInsertButtons(true);
            ListView1->removeItems();
            form.SaveWorkbook();
            form.FillPracticeList();
        }
    });
}

// ---------------------------------------------------------------------------
// Field handlers

void PracticePanel::Check1_Click() {
    if (Check1->isChecked()) {
        Calendario* cal = form.calendario();
        cal->show();
        cal->raise();
    }
}

QString PracticePanel::shownNumber() const { return Text1->text(); }

store::ShownPractice PracticePanel::shownPractice() const {
    store::ShownPractice p;
    p.number = Text1->text();
    p.date = Text2->text();
    p.client = Combo1->currentText();
    p.subject = Text3->text();
    p.description = Text4->text();
    p.sector = Combo2->currentText();
    p.place = Text5->text();
    p.binder = Combo3->currentText();
    p.inPreparation = Check2->isChecked();
    p.completed = Check3->isChecked();
    p.notes = Text6->text();
    p.estimate = Text37->text();
    return p;
}

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
    const QString formatted = store::CtrNumD(Text37->text());
    if (!formatted.isEmpty()) Text37->setText(formatted);
}

bool PracticePanel::normaliseEstimate() {
    const QString text = Text37->text();
    if (text.trimmed().isEmpty()) {
        if (!text.isEmpty()) Text37->clear();
        return true;
    }
    const QString formatted = store::CtrNumD(text);
    if (formatted.isEmpty()) {
        info(QStringLiteral("ERRORE: Il campo : PREVENTIVO deve contenere un importo (per esempio 1.500,50)"));
        Text37->setFocus();
        return false;
    }
    Text37->setText(formatted);
    return true;
}

bool PracticePanel::acceptStorableFields() {
    if (!normaliseEstimate()) return false;
    // A cell holds at most this much text; the notes grow with every scanned
    // document and have no typing limit, so a longer note must be refused
    // here rather than leave a record written up to its notes.
    if (Text6->text().size() > xl::kMaxCellText) {
        info(QStringLiteral("ERRORE: Il campo : NOTE supera i %1 caratteri che l'archivio può contenere: "
                            "accorciarlo e riprovare")
                 .arg(xl::kMaxCellText));
        Text6->setFocus();
        return false;
    }
    return true;
}

bool PracticePanel::refuseMissingFields(const QString& title) {
    if (!Text1->text().isEmpty() && !Combo1->currentText().isEmpty() && !Text2->text().isEmpty()) return false;
    info(QStringLiteral(" I campi : NUMERO PRATICA-DATA- CLIENTE , devono essere compilati"), title);
    Text1->setFocus();
    return true;
}

// ---------------------------------------------------------------------------
// Record operations

void PracticePanel::InsertPractice() {
    QuietScreen quiet(form.Excel);
    if (refuseMissingFields(kTitle)) return;
    // The estimate typed with the focus still in its box has not been
    // formatted yet: it is, here, before anything is written.
    if (!acceptStorableFields()) return;
    const std::optional<QDate> opened = vb::CDate(Text2->text());
    if (!opened) {
        info(QStringLiteral("ERRORE: Il campo : DATA APERTURA non contiene una data valida"));
        Text1->setFocus();
        return;
    }
    // A second record with a number already used would never be reached by
    // a find by key again.
    int existing = 0;
    if (!guarded([&] { existing = practiceRow(form.Excel.Sheets(kPratica), Text1->text()); })) return;
    if (existing) {
        info(duplicateNumberMessage(Text1->text()));
        Text1->setFocus();
        return;
    }
    if (!ask(QStringLiteral(" Vuoi Inserire questa Pratica ?"))) return;

    bool written = false;
    guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        int row = 1;
        while (vb::fitsRow16(row) && !isBlank(sh.Cells(row, ColNumber).GetValue())) ++row;
        if (!vb::fitsRow16(row)) {
            info(QStringLiteral("ERRORE: Il foglio Pratica è pieno: impossibile inserire altre Pratiche"));
            return;
        }
        // Every cell of the record is written, the empty ones too, so that a
        // gap row keeps nothing of what stood there before.
        put(sh, row, ColNumber, numberCell(Text1->text()));
        put(sh, row, ColDate, xl::Value::date(vb::DateSerial(*opened)));
        put(sh, row, ColClient, xl::Value(Combo1->currentText()));
        put(sh, row, ColSubject, xl::Value(Text3->text()));
        put(sh, row, ColDescription, xl::Value(Text4->text()));
        put(sh, row, ColSector, xl::Value(Combo2->currentText()));
        put(sh, row, ColPlace, xl::Value(Text5->text()));
        put(sh, row, ColBinder, xl::Value(Combo3->currentText()));
        put(sh, row, ColInPreparation, Check2->isChecked() ? xl::Value("SI") : xl::Value());
        put(sh, row, ColCompleted, Check3->isChecked() ? xl::Value("SI") : xl::Value());
        put(sh, row, ColNotes, xl::Value(Text6->text()));
        put(sh, row, ColEstimate, xl::Value(Text37->text()));
        sh.GetRange(QStringLiteral("IV1")).SetValue(numberCell(Text1->text()));
        written = true;
    });
    if (!written) return;

    form.ResetForm();
    info(QStringLiteral("Pratica Aggiunta con successo !"), kTitleBlank);
    Combo1->clear();
    Combo2->clear();
    Combo3->clear();
    Text1->setFocus();
    form.SaveWorkbook();
}

void PracticePanel::ModifyPractice() {
    keepFields_ = false;
    if (refuseMissingFields(kTitle)) return;
    if (!acceptStorableFields()) {
        keepFields_ = true;
        return;
    }
    if (!ask(QStringLiteral("Vuoi Modificare la Pratica selezionata  ?"))) return;

    bool stop = false;
    bool found = false;
    const bool done = guarded([&] {
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        if (isBlank(sh.GetRange(QStringLiteral("A2")).GetValue())) {
            info(QStringLiteral(" ERRORE: Non ci sono Pratiche presenti"));
            stop = true;
            return;
        }
        sh.Select();
        const QString key = Text1->text();
        const int last = lastRowOfRun(sh, ColNumber, 2);
        for (int row = 2; row <= last; ++row) {
            if (!vb::CellEqualsText(sh.Cells(row, ColNumber).GetValue(), key)) continue;
            put(sh, row, ColNumber, numberCell(key));
            put(sh, row, ColDate, xl::Value(Text2->text()));
            put(sh, row, ColClient, xl::Value(Combo1->currentText()));
            put(sh, row, ColSubject, xl::Value(Text3->text()));
            put(sh, row, ColDescription, xl::Value(Text4->text()));
            put(sh, row, ColSector, xl::Value(Combo2->currentText()));
            put(sh, row, ColPlace, xl::Value(Text5->text()));
            put(sh, row, ColBinder, xl::Value(Combo3->currentText()));
            sh.Cells(row, ColInPreparation).SetValue(xl::Value(Check2->isChecked() ? "SI" : " "));
            sh.Cells(row, ColCompleted).SetValue(xl::Value(Check3->isChecked() ? "SI" : " "));
            put(sh, row, ColNotes, xl::Value(Text6->text()));
            put(sh, row, ColEstimate, xl::Value(Text37->text()));
            found = true;
            break;
        }
    });
    if (stop) return;
    if (!done) {
        // The failure has been reported; the practice stays in the panel.
        keepFields_ = true;
        return;
    }
    if (found)
        info(QStringLiteral("Pratica  Modificata"));
    else
        info(notFoundText(Text1->text()));
    form.ResetForm();
    form.SaveWorkbook();
}

void PracticePanel::DeletePractice() {
    if (Text1->text().isEmpty()) {
        info(QStringLiteral("Bisogna Selezionare  la   Pratica......."));
        return;
    }
    // Only the practice whose number is the box's: a leading number ("7bis",
    // "1 2") must never stand for another practice.
    const std::optional<qint64> number = wholeNumber(Text1->text());
    if (!number) {
        info(QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero"));
        return;
    }
    const QString key = QString::number(*number);
    if (!ask(QStringLiteral("Si vuole Eliminare la Pratica Selezionata ?"))) return;

    bool found = false;
    if (!guarded([&] {
            xl::Worksheet& sh = form.Excel.Sheets(kPratica);
            sh.Select();
            const int last = lastRowOfRun(sh, ColNumber, 2);
            for (int row = 2; row <= last; ++row) {
                if (vb::CellEqualsText(sh.Cells(row, ColNumber).GetValue(), key)) {
                    sh.Cells(row, ColNumber).EntireRow().Delete();
                    found = true;
                    break;
                }
            }
        }))
        return;
    if (found)
        info(QStringLiteral("La Pratica è stata Eliminata"), kTitleBlank);
    else
        info(notFoundText(Text1->text()));

    // Asked also when no practice matched, so that entries left behind by an
    // earlier delete can still be removed.
    if (ask(QStringLiteral("Si vuole  Eliminare anche le REGISTRAZIONI  associate a questa Pratica ?"))) {
        guarded([&] {
            xl::Worksheet& sp = form.Excel.Sheets(kSpese);
            sp.Select();
            if (isBlank(sp.GetRange(QStringLiteral("A2")).GetValue())) {
                info(QStringLiteral("Non ci sono REGISTRAZIONI inserite per nessuna  Pratica "));
                return;
            }
            int row = 2;
            while (row <= xl::kMaxRows) {
                const xl::Value practice = sp.Cells(row, 2).GetValue();
                if (isBlank(practice)) break;
                if (vb::CellEqualsText(practice, key))
                    sp.Cells(row, 2).EntireRow().Delete(); // the next entry moves up into this row
                else
                    ++row;
            }
            info(QStringLiteral("REGISTRAZIONI  Eliminate"), kTitleBlank);
        });
    }
    form.ResetForm();
    form.FillPracticeList();
    form.SaveWorkbook();
}

void PracticePanel::ListView1_ItemClick() {
    QuietScreen quiet(form.Excel);
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < ListView1->topLevelItemCount() && !item; ++i)
        if (ListView1->topLevelItem(i)->isSelected()) item = ListView1->topLevelItem(i);
    if (!item) return;

    Text1->setText(item->text(0));
    Text2->setText(item->text(1));
    Combo1->setEditText(item->text(2));
    setTextWhole(Text3, item->text(3));
    Text4->setText(item->text(4));
    Combo2->setEditText(item->text(5));
    setTextWhole(Text5, item->text(6));
    Combo3->setEditText(item->text(7));
    // Only "SI" means set: the blank a modify writes for an unset box, like
    // any other text, must clear the box and not keep the previous practice's.
    const bool inPreparation = item->text(8) == QStringLiteral("SI");
    const bool completed = item->text(9) == QStringLiteral("SI");
    if (inPreparation) Check2->setChecked(true);
    if (completed) Check3->setChecked(true);
    if (!inPreparation) Check2->setChecked(false);
    if (!completed) Check3->setChecked(false);
    Text6->setText(item->text(10));
    setTextWhole(Text37, item->text(11));
    showInsertButtons(false);
}

// ---------------------------------------------------------------------------
// Sorts

void PracticePanel::sortPractices(int keyColumn, bool ascending, bool asNumbers) {
    guarded([&] {
        QuietScreen quiet(form.Excel);
        xl::Worksheet& sh = form.Excel.Sheets(kPratica);
        sh.Select();
        if (asNumbers) sh.Columns(QStringLiteral("A")).SetNumberFormat(QStringLiteral("0"));
        // Every record takes part, however many there are; row 1 is the
        // header and never moves.
        const int last = lastFilledRow(sh, ColNumber);
        if (last >= 3) {
            xl::Range block = sh.GetRange(sh.Cells(2, ColNumber), sh.Cells(last, ColEstimate));
            block.Sort(sh.Cells(2, keyColumn), ascending ? xl::xlAscending : xl::xlDescending, xl::xlNo);
        }
        form.FillPracticeList();
    });
}

void PracticePanel::Command24_Click() { sortPractices(ColNumber, true, true); }
void PracticePanel::Command26_Click() { sortPractices(ColNumber, false, true); }
void PracticePanel::Command14_Click() { sortPractices(ColClient, true, false); }
void PracticePanel::Command15_Click() { sortPractices(ColClient, false, false); }

void PracticePanel::cmd14_Click() {
    if (form.Frame6) form.Frame6->openPanel();
}
