#pragma once
// The practice-number chooser (Frame2).

#include <QGroupBox>

class Form1;
class QCheckBox;
class QLineEdit;

class NumberChooserPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit NumberChooserPanel(Form1& form);
    Form1& form;
    QLineEdit* Text9 = nullptr;
    QCheckBox* Check5 = nullptr;
};
