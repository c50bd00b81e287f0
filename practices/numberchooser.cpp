#include "practices/numberchooser.h"

#include "platform/desktop/controls.h"
#include "app/form1.h"
#include "platform/desktop/named.h"
#include "platform/desktop/dialogs.h"
#include "platform/engine/vbconv.h"
#include "practices/practicecommon.h"
#include "practices/practicepanel.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolBar>

using namespace practices;

NumberChooserPanel::NumberChooserPanel(Form1& f) : QGroupBox(QStringLiteral("Seleziona Numero Pratica")), form(f) {
    setObjectName(QStringLiteral("Frame2"));
    Text9 = named(new QLineEdit(this), "Text9");
    Label9 = named(new QLabel(QStringLiteral("Ultimo Numero Pratica"), this), "Label9");
    Check5 = named(new QCheckBox(QStringLiteral("  Azzera Contatore"), this), "Check5");
    Command4 = named(new QPushButton(QStringLiteral("Selez.&Numero"), this), "Command4");
    Command3 = named(new QPushButton(QStringLiteral("&Esci"), this), "Command3");
    Text9->setAlignment(Qt::AlignCenter);
    Text9->setFixedWidth(110);
    Label9->setBuddy(Text9);

    auto* lay = new QGridLayout(this);
    lay->setContentsMargins(18, 16, 18, 14);
    lay->setVerticalSpacing(12);
    lay->addWidget(Label9, 0, 0);
    lay->addWidget(Text9, 0, 1);
    lay->addWidget(Check5, 1, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(8);
    buttons->addWidget(Command4);
    buttons->addWidget(Command3);
    lay->addLayout(buttons, 2, 0, 1, 2);
    // The panel takes the window's room like the others; its few controls
    // stay together at the top left.
    lay->setRowStretch(3, 1);
    lay->setColumnStretch(2, 1);

    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Check5, &QCheckBox::toggled, this, [this] { Check5_Click(); });
    connect(Text9, &QLineEdit::returnPressed, this, [this] { Command4_Click(); });
}

void NumberChooserPanel::Command4_Click() {
    // Practice numbers are whole numbers from 1 up; anything else would be
    // stored as the practice's key and later as the counter.
    const std::optional<qint64> n = wholeNumber(Text9->text());
    if (!n || *n < 1) {
        ui::dialogs().message(QStringLiteral("ERRORE: Il NUMERO PRATICA deve essere un numero intero maggiore di zero"),
                              QStringLiteral("Velmora"), ui::MsgIcon::Information);
        Text9->setFocus();
        Text9->selectAll();
        return;
    }
    Text9->setText(QString::number(*n));
    CheckDuplicatePracticeNumber();
    if (Text9->text().isEmpty()) return;
    form.Frame1->Text1->setText(Text9->text());
    form.switchPanels({{this, false}, {form.Frame1, true}, {form.Toolbar1, true}});
}

void NumberChooserPanel::CheckDuplicatePracticeNumber() {
    guarded([&] {
        form.Excel.ScreenUpdating = false;
        const QString number = Text9->text();
        const bool taken = practiceRow(form.Excel.Sheets(QStringLiteral("Pratica")), number) != 0;
        form.Excel.ScreenUpdating = true;
        if (!taken) return;
        ui::dialogs().message(duplicateNumberMessage(number), QStringLiteral("Velmora"), ui::MsgIcon::Information);
        Text9->clear();
    });
}

void NumberChooserPanel::Command3_Click() {
    form.switchPanels({{this, false}, {form.Frame1, true}, {form.Toolbar1, true}});
    Text9->clear();
    Check5->setChecked(false);
}

void NumberChooserPanel::Check5_Click() {
    if (!Check5->isChecked()) return;
    // The reset reaches the file at the next save of the workbook.
    guarded([&] { form.Excel.Sheets(QStringLiteral("Pratica")).GetRange(QStringLiteral("IV1")).SetValue(xl::Value(0)); });
    Check5->setChecked(false);
    hide();
}
