#include "app/calendario.h"

#include "app/form1.h"

#include <QCalendarWidget>
#include <QVBoxLayout>

Calendario::Calendario(Form1& f) : QWidget(nullptr, Qt::Window), form(f) {
    setObjectName(QStringLiteral("Calendario"));
    calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("Calendario"));
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(calendar);
}
