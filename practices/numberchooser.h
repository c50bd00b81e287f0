#pragma once
// The practice-number chooser (Frame2): proposes the number after the last
// one inserted, refuses one that already stands in the practice sheet, and
// hands the accepted number to the practice panel.

#include <QGroupBox>

class Form1;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class NumberChooserPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit NumberChooserPanel(Form1& form);
    Form1& form;
    QLineEdit* Text9 = nullptr;      // the proposed number
    QCheckBox* Check5 = nullptr;     // "  Azzera Contatore"
    QLabel* Label9 = nullptr;        // "Ultimo Numero Pratica"
    QPushButton* Command4 = nullptr; // "Selez.&Numero"
    QPushButton* Command3 = nullptr; // "&Esci"

    void Command4_Click();
    void Command3_Click();
    void Check5_Click();
    // Empties Text9 when a practice with its number exists.
    void CheckDuplicatePracticeNumber();
};
