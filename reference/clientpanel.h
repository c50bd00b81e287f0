#pragma once
// The client panel (Frame3).

#include <QGroupBox>

class Form1;
class QCheckBox;
class QComboBox;
class QLineEdit;

class ClientPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ClientPanel(Form1& form);
    Form1& form;
    QComboBox* Combo4 = nullptr;   // client chooser
    QLineEdit* Text10 = nullptr;   // client ID
    QLineEdit* Text18 = nullptr;   // date
    QCheckBox* Check4 = nullptr;   // calendar toggle
    QCheckBox* Check6 = nullptr;   // "Azzera Contatore "
    QCheckBox* Check7 = nullptr;   // "Cambia IDProgressivo"
};
