#pragma once
// The practice search panel (Frame6).

#include <QGroupBox>

class Form1;
class ListView;
class QCheckBox;
class QComboBox;
class QLineEdit;

class SearchPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchPanel(Form1& form);
    Form1& form;
    QComboBox* Combo7 = nullptr;
    QLineEdit* Text27 = nullptr;
    QCheckBox* Check8 = nullptr;
    QCheckBox* Check9 = nullptr;
    ListView* ListView2 = nullptr;
};
