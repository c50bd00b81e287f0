#pragma once
// The sector panel (Frame4): sector names with a description.

#include "reference/lookuppanel.h"
#include "store/varie.h"

class QLineEdit;

class SectorPanel : public LookupPanel {
    Q_OBJECT
public:
    explicit SectorPanel(store::PanelContext& ctx);

    void Combo6_Click();
    void Command1_Click();
    void Command9_Click();
    void Command13_Click();
    void Command2_Click();
    // What the menu item does once the panel is shown: the focus to the name
    // box and the list filled, each step on its own.
    void openPanel();

private:
    void fillForm(const store::SectorRecord& sector);
    store::SectorRecord fromForm() const;
    void loadRow(int row) override;
    store::Outcome appendFromForm() override;
    QStringList listKeys() override;
    void clearFields() override;

    QComboBox* Combo6 = nullptr;      // sector name
    QLineEdit* Text28 = nullptr;      // description
    QPushButton* Command1 = nullptr;  // "Salva"
    QPushButton* Command9 = nullptr;  // "Modifica"
    QPushButton* Command13 = nullptr; // "&Stampa"
    QPushButton* Command2 = nullptr;  // "&Esci"
};
