#pragma once
// What the sector panel and the binder panel share: twin lookup tables, each
// a key chosen from a list with a few fields beside it. Each twin keeps its
// own record, saves, exits and print codes.

#include "store/outcome.h"

#include <QGroupBox>
#include <QStringList>
#include <initializer_list>
#include <utility>

namespace store {
class PanelContext;
}

class QComboBox;
class QPushButton;

class LookupPanel : public QGroupBox {
    Q_OBJECT
protected:
    // `keyName` is what the missing-field messages call the key ("SETTORE").
    LookupPanel(store::PanelContext& ctx, const QString& caption, const QString& keyName);

    // A key box: editable, and a typed text never joins the list.
    static QComboBox* keyBox(QWidget* parent, const char* name);
    // Captions to the left of their boxes, the buttons in a row below.
    void layOut(std::initializer_list<std::pair<const char*, QWidget*>> rows,
                std::initializer_list<QPushButton*> buttons);

    // What each twin knows of its own table.
    virtual void loadRow(int row) = 0;           // the record of `row` into the boxes
    virtual store::Outcome appendFromForm() = 0; // the boxes as a new record
    virtual QStringList listKeys() = 0;          // the keys, in sheet order
    virtual void clearFields() = 0;              // empties the boxes beside the key

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
