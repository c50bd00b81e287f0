#pragma once
// The calendar form: a month picker shown modeless beside the practice, client
// and ledger panels; a picked date goes to the date field of the visible one.

#include <QWidget>

class Form1;
class QCalendarWidget;

class Calendario : public QWidget {
    Q_OBJECT
public:
    explicit Calendario(Form1& form);
    Form1& form;
    QCalendarWidget* calendar = nullptr; // the picker, named "Calendario"
};
