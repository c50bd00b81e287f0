#pragma once
// The practice-number chooser (Frame2): proposes the number after the last
// one inserted, refuses one that already stands in the practice sheet, and
// hands the accepted number to the practice panel.

#include <QGroupBox>

namespace store {
class PanelContext;
}
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class NumberChooserPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit NumberChooserPanel(store::PanelContext& ctx);

    // The number offered in the box ("" empties it).
    void propose(const QString& number);

    void Command4_Click();
    void Command3_Click();
    void Check5_Click();
    // Empties Text9 when a practice with its number exists.
    void CheckDuplicatePracticeNumber();

signals:
    // A number accepted for a new practice.
    void numberChosen(const QString& number);

private:
    store::PanelContext& ctx_;
    QLineEdit* Text9 = nullptr;      // the proposed number
    QCheckBox* Check5 = nullptr;     // "  Azzera Contatore"
    QLabel* Label9 = nullptr;        // "Ultimo Numero Pratica"
    QPushButton* Command4 = nullptr; // "Selez.&Numero"
    QPushButton* Command3 = nullptr; // "&Esci"
};
