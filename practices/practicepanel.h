#pragma once
// The practice panel (Frame1): the fields of one practice in the column order
// of sheet "Pratica", the practice list and the buttons around it.

#include <QGroupBox>

class Form1;
class ListView;
class MultiLineTextBox;
class QCheckBox;
class QComboBox;
class QLineEdit;

class PracticePanel : public QGroupBox {
    Q_OBJECT
public:
    explicit PracticePanel(Form1& form);

    Form1& form;

    // The fields of the practice shown, in column order A to L.
    QLineEdit* Text1 = nullptr;        // number
    QLineEdit* Text2 = nullptr;        // opening date
    QComboBox* Combo1 = nullptr;       // client
    QLineEdit* Text3 = nullptr;        // subject
    MultiLineTextBox* Text4 = nullptr; // description
    QComboBox* Combo2 = nullptr;       // sector
    QLineEdit* Text5 = nullptr;        // place
    QComboBox* Combo3 = nullptr;       // binder
    QCheckBox* Check2 = nullptr;       // "Istruttoria"
    QCheckBox* Check3 = nullptr;       // "Completata"
    MultiLineTextBox* Text6 = nullptr; // notes
    QLineEdit* Text37 = nullptr;       // estimate

    QCheckBox* Check1 = nullptr;       // calendar toggle
    QLineEdit* Text8 = nullptr;        // clock
    ListView* ListView1 = nullptr;     // the practice list
};
