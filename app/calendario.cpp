#include "app/calendario.h"

#include "app/controls.h"
#include "app/form1.h"
#include "ledger/ledgerpanel.h"
#include "platform/vbconv.h"
#include "practices/practicepanel.h"
#include "reference/clientpanel.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLineEdit>
#include <QLocale>
#include <QRadioButton>
#include <QVBoxLayout>

Calendario::Calendario(Form1& f) : QWidget(nullptr, Qt::Window), form(f) {
    setObjectName(QStringLiteral("Calendario"));
    setWindowTitle(QStringLiteral("Calendario"));
    setAttribute(Qt::WA_DeleteOnClose);
    calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("Calendario"));
    calendar->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addWidget(calendar);
    connect(calendar, &QCalendarWidget::clicked, this, [this] { Calendario_DateClick(); });
    connect(calendar, &QCalendarWidget::activated, this, [this] { Calendario_DateClick(); });
    Form_Load();
}

void Calendario::Form_Load() { calendar->setSelectedDate(QDate::currentDate()); }

void Calendario::Calendario_DateClick() {
    if (unloading_) return; // a double click or Enter after the pick that closed the form
    const QDate picked = calendar->selectedDate();
    const QString joined = QStringLiteral("%1/%2/%3").arg(picked.day()).arg(picked.month()).arg(picked.year());
    const std::optional<QDate> d = vb::CDate(joined);
    const QString text = d ? d->toString(QStringLiteral("dd/MM/yyyy")) : joined;

    bool written = false;
    if (shown(form.Frame1)) {
        form.Frame1->Text2->setText(text);
        form.Frame1->Check1->setChecked(false);
        written = true;
    }
    if (shown(form.Frame3)) {
        form.Frame3->Text18->setText(text);
        form.Frame3->Check4->setChecked(false);
        written = true;
    }
    if (shown(form.Frame8)) {
        form.Frame8->Text33->setText(text);
        form.Frame8->Option1->setChecked(false);
        written = true;
    }
    if (written) close();
}

void Calendario::closeEvent(QCloseEvent* e) {
    unloading_ = true;
    form.Frame8->Option1->setChecked(false);
    e->accept();
}
