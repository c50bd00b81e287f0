#pragma once
// The practice search panel (Frame6): the practices in preparation, the
// completed ones, or those of one client, copied into the work area AA:AF of
// sheet "Pratica" and listed from there.

#include "store/panelcontext.h"

#include <QGroupBox>

class ListView;
class PracticePanel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class SearchPanel : public QGroupBox {
    Q_OBJECT
public:
    explicit SearchPanel(store::PanelContext& ctx);
    // The practice panel, shown again when this one is left.
    void setPracticePanel(PracticePanel* practice) { practice_ = practice; }

    // Which search last filled the work area, so that its printout carries
    // the right title whatever the boxes show by the time it is asked for.
    using Search = store::SearchState::Kind;
    Search lastSearch() const { return lastSearch_; }
    // The last search and the state boxes, as the printouts ask for them.
    store::SearchState searchState() const;
    int resultCount() const { return resultCount_; }

    // The opening from the practice panel's "&Ricerca".
    void openPanel();
    void Check8_Click();
    void Check9_Click();
    void Combo7_Click(int index);
    void Command22_Click();
    void Command21_Click();
    void Command18_Click();
    void Command16_Click();
    // The clients into the client box.
    void LoadSearchClientCombo();

private:
    void runStateSearch(bool completed);
    void listResults(int columns);
    void resetPanel();

    store::PanelContext& ctx_;
    PracticePanel* practice_ = nullptr;
    QLabel* Label34 = nullptr;        // "Ricerca  selezionando il Cliente"
    QComboBox* Combo7 = nullptr;      // client, "Seleziona" when none is chosen
    QLineEdit* Text27 = nullptr;      // client ID
    QLabel* Label36 = nullptr;        // "Ricerca per :"
    QCheckBox* Check8 = nullptr;      // "Pratiche in Istruttoria"
    QCheckBox* Check9 = nullptr;      // "Pratiche Completata"
    ListView* ListView2 = nullptr;    // results
    QPushButton* Command18 = nullptr; // "&Stampa"
    QPushButton* Command22 = nullptr; // "&Ricerca per Cliente"
    QPushButton* Command21 = nullptr; // "&Pulisci"
    QPushButton* Command16 = nullptr; // "&Esci"

    Search lastSearch_ = Search::None;
    int resultCount_ = 0;
};
