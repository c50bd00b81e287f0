#pragma once
// The client panel (Frame3): the client register, one client per record,
// with the counter that hands out IDs.

#include "store/clientsheet.h"

#include <QGroupBox>
#include <utility>
#include <vector>

namespace store {
class PanelContext;
}

class QDate;
class MultiLineTextBox;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

class ClientPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit ClientPanel(store::PanelContext& ctx);

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

    // Empties Combo4 and lists the client names; the client sheet becomes the
    // active one.
    void RefillClientList();
    // What the menu item does once the panel is shown: an empty counter
    // starts at 1 and shows in the ID box, and the list is filled.
    void openPanel();
    // The ID counter into the ID box, as the form reset shows it.
    void showCounter();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The boxes of the fields, one for each field of a client, in column order.
    std::vector<std::pair<store::ClientField, QWidget*>> fieldBoxes() const;
    void fillForm(const store::ClientRecord& client);
    store::ClientRecord fromForm() const;
    bool fieldsFit(const store::ClientRecord& client, const QString& notDone);
    void upperCase(QLineEdit* box);

    store::PanelContext& ctx_;

    QComboBox* Combo4 = nullptr; // client chooser
    QCheckBox* Check4 = nullptr; // calendar toggle
    QCheckBox* Check6 = nullptr; // "Azzera Contatore "
    QCheckBox* Check7 = nullptr; // "Cambia IDProgressivo"

    // The fields of one client.
    QLineEdit* Text10 = nullptr;        // ID
    QLineEdit* Text26 = nullptr;        // name
    QLineEdit* Text14 = nullptr;        // code
    QLineEdit* Text18 = nullptr;        // date
    QLineEdit* Text25 = nullptr;        // address
    QLineEdit* Text24 = nullptr;        // postal code
    QLineEdit* Text23 = nullptr;        // town
    QLineEdit* Text22 = nullptr;        // province
    QLineEdit* Text21 = nullptr;        // telephone
    QLineEdit* Text20 = nullptr;        // fax
    QLineEdit* Text15 = nullptr;        // mobile
    QLineEdit* Text16 = nullptr;        // e-mail
    QLineEdit* Text19 = nullptr;        // tax code
    QLineEdit* Text11 = nullptr;        // VAT number
    QLineEdit* Text7 = nullptr;         // contact person
    MultiLineTextBox* Text12 = nullptr; // annotations
    MultiLineTextBox* Text13 = nullptr; // second notes

    QPushButton* Command70 = nullptr; // "Inserisci &Cliente"
    QPushButton* Command10 = nullptr; // "&Modifica"
    QPushButton* Command11 = nullptr; // "&Pulisci"
    QPushButton* Command73 = nullptr; // "&Elimina"
    QPushButton* Command72 = nullptr; // "&Stampa"
    QPushButton* Command12 = nullptr; // "&Esci"

    QString loadedId_;       // ID of the client last loaded from the list
    QString idBeforeUnlock_; // what the ID box showed before it was unlocked
};
