#pragma once
// The sector panel (Frame4) and the binder panel (Frame5): twin lookup tables
// side by side on sheet "Varie". What the twins share lives in LookupPanel;
// each panel keeps its own saves, list rebuilds, exits and print codes.

#include <QGroupBox>
#include <vector>

class Form1;
class QComboBox;
class QLineEdit;
class QPushButton;

class LookupPanel : public QGroupBox {
    Q_OBJECT
public:
    Form1& form;

protected:
    struct Field {
        int column;      // of sheet "Varie"
        QLineEdit* box;
    };
    // `fieldName` is what the missing-field messages call the key ("SETTORE").
    LookupPanel(Form1& form, const QString& caption, const QString& fieldName);
    void setTable(QComboBox* key, int keyColumn, std::vector<Field> fields);

    // Loads the record of the chosen entry into the boxes.
    void loadChosen();
    // The insert message for an empty key ("one blank" form); true when the
    // key is filled.
    bool insertKeyGiven();
    // Asks, appends at the first empty cell of the key column, confirms and
    // rebuilds the list; true when a record was written. Where the focus
    // goes next is each panel's own.
    bool insertRecord(const QString& question, const QString& done);
    // The row of the chosen entry, or 0 after the modify's missing-field
    // message when the key names no entry of the list.
    int rowToModify();
    void writeCell(int row, int column, const QString& text);
    QString readCell(int row, int column);
    // Empties the key box (list and text) and lists the key column again.
    void rebuildList();

    QComboBox* key_ = nullptr;
    int keyColumn_ = 0;
    std::vector<Field> fields_;
    QString fieldName_;
};

class SectorPanel : public LookupPanel {
    Q_OBJECT
public:
    explicit SectorPanel(Form1& form);
    QComboBox* Combo6 = nullptr;   // sector name, column E
    QLineEdit* Text28 = nullptr;   // description, column F
    QPushButton* Command1 = nullptr;  // "Salva"
    QPushButton* Command9 = nullptr;  // "Modifica"
    QPushButton* Command13 = nullptr; // "&Stampa"
    QPushButton* Command2 = nullptr;  // "&Esci"

    void Combo6_Click();
    void Command1_Click();
    void Command9_Click();
    void Command13_Click();
    void Command2_Click();
};

class BinderPanel : public LookupPanel {
    Q_OBJECT
public:
    explicit BinderPanel(Form1& form);
    QComboBox* Combo5 = nullptr;   // binder number, column A
    QLineEdit* Text29 = nullptr;   // description, column B
    QLineEdit* Text31 = nullptr;   // notes, column C
    QPushButton* Command6 = nullptr;  // "Salva"
    QPushButton* Command8 = nullptr;  // "Modifica"
    QPushButton* Command7 = nullptr;  // "&Stampa"
    QPushButton* Command5 = nullptr;  // "&Esci"

    void Combo5_Click();
    void Command6_Click();
    void Command8_Click();
    void Command7_Click();
    void Command5_Click();
};
