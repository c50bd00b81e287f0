#pragma once
// The binder panel (Frame5): binder numbers with a description and notes.

#include "reference/lookuppanel.h"
#include "store/varie.h"

class QLineEdit;

class BinderPanel : public LookupPanel {
    Q_OBJECT
public:
    explicit BinderPanel(store::PanelContext& ctx);

    void Combo5_Click();
    void Command6_Click();
    void Command8_Click();
    void Command7_Click();
    void Command5_Click();
    // What the menu item does once the panel is shown: the list filled and
    // the focus to the number box.
    void openPanel();

private:
    void fillForm(const store::BinderRecord& binder);
    store::BinderRecord fromForm() const;
    void loadRow(int row) override;
    store::Outcome appendFromForm() override;
    QStringList listKeys() override;
    void clearFields() override;

    QComboBox* Combo5 = nullptr;     // binder number
    QLineEdit* Text29 = nullptr;     // description
    QLineEdit* Text31 = nullptr;     // notes
    QPushButton* Command6 = nullptr; // "Salva"
    QPushButton* Command8 = nullptr; // "Modifica"
    QPushButton* Command7 = nullptr; // "&Stampa"
    QPushButton* Command5 = nullptr; // "&Esci"
};
