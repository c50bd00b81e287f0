#pragma once
// The calendar form: a month picker shown modeless beside the practice, client
// and ledger panels. A picked date is offered to whoever listens (the panel
// shown takes it into its date field); the form unloads (and is destroyed)
// once a listener took the date, or when closed, so each showing starts
// afresh on today's date.

#include <QDate>
#include <QWidget>

class QCalendarWidget;

class Calendario : public QWidget {
    Q_OBJECT
public:
    Calendario();

    void Form_Load();
    // A date picked: offered through dateChosen; the form closes when a
    // listener took it.
    void Calendario_DateClick();
    // Called by a listener of dateChosen that wrote the date somewhere.
    void take() { taken_ = true; }

    // A picked date in the "dd/MM/yyyy" form the date fields hold.
    static QString fieldText(const QDate& picked);

signals:
    void dateChosen(const QDate& date);
    // Form_QueryUnload: however the form closes.
    void unloading();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    QCalendarWidget* calendar_ = nullptr; // the picker, named "Calendario"
    bool unloading_ = false;
    bool taken_ = false;
};
