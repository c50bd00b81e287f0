#pragma once
// The advances and expenses ledger panel (Frame8, holding the mode box Frame7).

#include <QGroupBox>

class Form1;
class ListView;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;

class LedgerPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit LedgerPanel(Form1& form);
    Form1& form;
    QLineEdit* Text30 = nullptr;     // entry ID
    QComboBox* Combo8 = nullptr;     // practice number
    QLineEdit* Text32 = nullptr;     // client
    QComboBox* Combo9 = nullptr;     // client chooser of the query by client
    QLineEdit* Text33 = nullptr;     // date
    QRadioButton* Option1 = nullptr; // calendar
    QLineEdit* Text34 = nullptr;     // description
    QLineEdit* Text35 = nullptr;     // amount
    QLineEdit* Text36 = nullptr;     // sign
    QCheckBox* Check10 = nullptr;    // "Acconto"
    QCheckBox* Check17 = nullptr;    // "Spesa"
    QLineEdit* Text38 = nullptr;     // estimate
    QLineEdit* Text39 = nullptr;     // sheet balance
    QLineEdit* Text40 = nullptr;     // practice balance
    QGroupBox* Frame7 = nullptr;     // mode box
    QCheckBox* Check11 = nullptr;
    QCheckBox* Check12 = nullptr;
    QCheckBox* Check13 = nullptr;
    QCheckBox* Check14 = nullptr;
    QCheckBox* Check15 = nullptr;
    ListView* ListView3 = nullptr;
};
