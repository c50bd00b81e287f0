#pragma once
// The client panel (Frame3): the client register of sheet "Cliente", one
// client per row in columns A to Q, with the counter that hands out IDs.

#include "platform/engine/value.h"

#include <QGroupBox>
#include <vector>

namespace xl {
class Worksheet;
}

class Form1;
class QDate;
class MultiLineTextBox;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class ClientPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ClientPanel(Form1& form);
    Form1& form;

    QComboBox* Combo4 = nullptr;   // client chooser
    QCheckBox* Check4 = nullptr;   // calendar toggle
    QCheckBox* Check6 = nullptr;   // "Azzera Contatore "
    QCheckBox* Check7 = nullptr;   // "Cambia IDProgressivo"

    // The fields of one client, columns A to Q.
    QLineEdit* Text10 = nullptr;   // A  ID
    QLineEdit* Text26 = nullptr;   // B  name
    QLineEdit* Text14 = nullptr;   // C  code
    QLineEdit* Text18 = nullptr;   // D  date
    QLineEdit* Text25 = nullptr;   // E  address
    QLineEdit* Text24 = nullptr;   // F  postal code
    QLineEdit* Text23 = nullptr;   // G  town
    QLineEdit* Text22 = nullptr;   // H  province
    QLineEdit* Text21 = nullptr;   // I  telephone
    QLineEdit* Text20 = nullptr;   // J  fax
    QLineEdit* Text15 = nullptr;   // K  mobile
    QLineEdit* Text16 = nullptr;   // L  e-mail
    QLineEdit* Text19 = nullptr;   // M  tax code
    QLineEdit* Text11 = nullptr;   // N  VAT number
    QLineEdit* Text7 = nullptr;    // O  contact person
    MultiLineTextBox* Text12 = nullptr; // P annotations
    MultiLineTextBox* Text13 = nullptr; // Q second notes

    QPushButton* Command70 = nullptr; // "Inserisci &Cliente"
    QPushButton* Command10 = nullptr; // "&Modifica"
    QPushButton* Command11 = nullptr; // "&Pulisci"
    QPushButton* Command73 = nullptr; // "&Elimina"
    QPushButton* Command72 = nullptr; // "&Stampa"
    QPushButton* Command12 = nullptr; // "&Esci"

    // Handlers.
    void Combo4_Click();
    void Command70_Click();
    void Command10_Click();
    void Command73_Click();
    void Command11_Click();
    void Command12_Click();
    void Command72_Click();
    void Check4_Click();
    // A date picked in the calendar: into the date field when this panel is
    // shown; false when it is not.
    bool takeDate(const QDate& picked);
    void Check6_Click();
    void Check7_Click();
    void Text10_LostFocus();
    void Text26_Change();
    void Text19_Change();

    // Empties Combo4 and lists the client names from sheet "Cliente".
    void RefillClientList();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The box of each column, A to Q.
    std::vector<QWidget*> columnBoxes() const;
    void writeId(int row, const QString& text);
    void writeFields(xl::Worksheet& sheet, int row, int fromCol, bool newRecord);
    bool fieldsFit(const QString& notDone);
    void upperCase(QLineEdit* box);

    QString loadedId_;        // ID of the client last loaded from the list
    QString idBeforeUnlock_;  // what the ID box showed before it was unlocked
};
