#pragma once
// The calendar form: a month picker shown modeless beside the practice, client
// and ledger panels; a picked date goes to the date field of the visible one.
// Each loading starts on today's date; the form unloads (and is destroyed)
// after a pick or when closed, so Form1::calendario() builds a fresh one.

#include <QWidget>

class Form1;
class QCalendarWidget;

class Calendario : public QWidget {
    Q_OBJECT
public:
    explicit Calendario(Form1& form);
    Form1& form;
    QCalendarWidget* calendar = nullptr; // the picker, named "Calendario"

    void Form_Load();
    // A date picked: into the date field of the visible panel.
    void Calendario_DateClick();

protected:
    // Form_QueryUnload: however the form closes, the ledger's calendar
    // option is cleared.
    void closeEvent(QCloseEvent* e) override;

private:
    bool unloading_ = false;
};
