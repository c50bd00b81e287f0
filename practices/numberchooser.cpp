#include "practices/numberchooser.h"

#include "platform/desktop/dialogs.h"
#include "platform/desktop/guard.h"
#include "platform/desktop/named.h"
#include "practices/messages.h"
#include "store/panelcontext.h"
#include "store/practicesheet.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using handlers::guarded;
namespace msg = practices::msg;
namespace sheet = store::practices;

NumberChooserPanel::NumberChooserPanel(store::PanelContext& ctx)
    : QGroupBox(QStringLiteral("Seleziona Numero Pratica")), ctx_(ctx) {
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

void NumberChooserPanel::propose(const QString& number) {
    if (number.isEmpty())
        Text9->clear();
    else
        Text9->setText(number);
}

void NumberChooserPanel::Command4_Click() {
    // Practice numbers are whole numbers from 1 up; anything else would be
    // stored as the practice's key and later as the counter.
    const std::optional<qint64> n = sheet::wholeNumber(Text9->text());
    if (!n || *n < 1) {
        ui::dialogs().message(msg::kNumberFromOne, msg::kTitle, ui::MsgIcon::Information);
        Text9->setFocus();
        Text9->selectAll();
        return;
    }
    Text9->setText(QString::number(*n));
    CheckDuplicatePracticeNumber();
    if (Text9->text().isEmpty()) return;
    emit numberChosen(Text9->text());
    ctx_.switchPanels(
        {{store::Panel::NumberChooser, false}, {store::Panel::Practice, true}, {store::Panel::Toolbar, true}});
}

void NumberChooserPanel::CheckDuplicatePracticeNumber() {
    guarded([&] {
        xl::Application& app = ctx_.book().application();
        app.ScreenUpdating = false;
        const QString number = Text9->text();
        const bool taken = sheet::exists(ctx_.book(), number);
        app.ScreenUpdating = true;
        if (!taken) return;
        ui::dialogs().message(msg::duplicateNumber(number), msg::kTitle, ui::MsgIcon::Information);
        Text9->clear();
    });
}

void NumberChooserPanel::Command3_Click() {
    ctx_.switchPanels(
        {{store::Panel::NumberChooser, false}, {store::Panel::Practice, true}, {store::Panel::Toolbar, true}});
    Text9->clear();
    Check5->setChecked(false);
}

void NumberChooserPanel::Check5_Click() {
    if (!Check5->isChecked()) return;
    // The reset reaches the file at the next save of the workbook.
    guarded([&] { sheet::resetCounter(ctx_.book()); });
    Check5->setChecked(false);
    hide();
}
