#include "platform/desktop/calendario.h"

#include "platform/engine/vbconv.h"

#include <QCalendarWidget>
#include <QCloseEvent>
#include <QLocale>
#include <QVBoxLayout>

Calendario::Calendario() : QWidget(nullptr, Qt::Window) {
    setObjectName(QStringLiteral("Calendario"));
    setWindowTitle(QStringLiteral("Calendario"));
    setAttribute(Qt::WA_DeleteOnClose);
    calendar_ = new QCalendarWidget(this);
    calendar_->setObjectName(QStringLiteral("Calendario"));
    calendar_->setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    calendar_->setFirstDayOfWeek(Qt::Monday);
    calendar_->setGridVisible(true);
    calendar_->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    auto* lay = new QVBoxLayout(this);
    lay->setContentsMargins(4, 4, 4, 4);
    lay->addWidget(calendar_);
    connect(calendar_, &QCalendarWidget::clicked, this, [this] { Calendario_DateClick(); });
    connect(calendar_, &QCalendarWidget::activated, this, [this] { Calendario_DateClick(); });
    Form_Load();
}

void Calendario::Form_Load() { calendar_->setSelectedDate(QDate::currentDate()); }

QString Calendario::fieldText(const QDate& picked) {
    const QString joined = QStringLiteral("%1/%2/%3").arg(picked.day()).arg(picked.month()).arg(picked.year());
    const std::optional<QDate> d = vb::CDate(joined);
    return d ? d->toString(QStringLiteral("dd/MM/yyyy")) : joined;
}

void Calendario::Calendario_DateClick() {
    if (unloading_) return; // a double click or Enter after the pick that closed the form
    taken_ = false;
    emit dateChosen(calendar_->selectedDate());
    if (taken_) close();
}

void Calendario::closeEvent(QCloseEvent* e) {
    unloading_ = true;
    emit unloading();
    e->accept();
}
