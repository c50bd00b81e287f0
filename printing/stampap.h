#pragma once
// The printer-choice form: a print request writes its job code into Text1
// and shows the form; "Seleziona" runs the job on the printer picked.

#include <QWidget>

class Form1;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class StampaP : public QWidget {
    Q_OBJECT
public:
    explicit StampaP(Form1& form);
    Form1& form;
    QComboBox* Combo1 = nullptr;     // printer list
    QPushButton* Command1 = nullptr; // "Seleziona"
    QLabel* Label1 = nullptr;        // default printer
    QLineEdit* Text1 = nullptr;      // print-job code
};
