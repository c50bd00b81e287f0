#pragma once
// The sector panel (Frame4) and the binder panel (Frame5): twin lookup tables
// side by side on sheet "Varie".

#include <QGroupBox>

class Form1;
class QComboBox;
class QLineEdit;

class SectorPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SectorPanel(Form1& form);
    Form1& form;
    QComboBox* Combo6 = nullptr;   // sector name, column E
    QLineEdit* Text28 = nullptr;   // description, column F
};

class BinderPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit BinderPanel(Form1& form);
    Form1& form;
    QComboBox* Combo5 = nullptr;   // binder number, column A
    QLineEdit* Text29 = nullptr;   // description, column B
    QLineEdit* Text31 = nullptr;   // notes, column C
};
