#pragma once
// The sector panel (Frame4) and the binder panel (Frame5): twin lookup tables
// side by side in the workbook. What the twins share lives in LookupPanel;
// each panel keeps its own record, saves, exits and print codes.

#include "store/outcome.h"
#include "store/varie.h"

#include <QGroupBox>
#include <QStringList>

namespace store {
class PanelContext;
}

class QComboBox;
class QLineEdit;
class QPushButton;

class LookupPanel : public QGroupBox {
    Q_OBJECT
protected:
    // `keyName` is what the missing-field messages call the key ("SETTORE").
    LookupPanel(store::PanelContext& ctx, const QString& caption, const QString& keyName);

    // What each twin knows of its own table.
    virtual void loadRow(int row) = 0;            // the record of `row` into the boxes
    virtual store::Outcome appendFromForm() = 0;  // the boxes as a new record
    virtual QStringList listKeys() = 0;           // the keys, in sheet order
    virtual void clearFields() = 0;               // empties the boxes beside the key

    // Loads the record of the chosen entry into the boxes.
    void loadChosen();
    // The insert message for an empty key ("one blank" form); true when the
    // key is filled.
    bool insertKeyGiven();
    // Asks, appends, confirms and rebuilds the list; true when a record was
    // written. Where the focus goes next is each panel's own.
    bool insertRecord(const QString& question, const QString& done);
    // The row of the chosen entry, or 0 after the modify's missing-field
    // message when the key names no entry of the list.
    int rowToModify();
    // Empties the key box (list and text) and lists the keys again.
    void rebuildList();

    // The box of the key: its list is the table's keys in sheet order.
    void setKeyBox(QComboBox* key) { key_ = key; }

    store::PanelContext& ctx_;

private:
    QComboBox* key_ = nullptr;
    QString keyName_;
};

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

    QComboBox* Combo6 = nullptr;   // sector name
    QLineEdit* Text28 = nullptr;   // description
    QPushButton* Command1 = nullptr;  // "Salva"
    QPushButton* Command9 = nullptr;  // "Modifica"
    QPushButton* Command13 = nullptr; // "&Stampa"
    QPushButton* Command2 = nullptr;  // "&Esci"
};

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

    QComboBox* Combo5 = nullptr;   // binder number
    QLineEdit* Text29 = nullptr;   // description
    QLineEdit* Text31 = nullptr;   // notes
    QPushButton* Command6 = nullptr;  // "Salva"
    QPushButton* Command8 = nullptr;  // "Modifica"
    QPushButton* Command7 = nullptr;  // "&Stampa"
    QPushButton* Command5 = nullptr;  // "&Esci"
};
