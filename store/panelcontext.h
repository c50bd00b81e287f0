#pragma once
// What a panel may ask of the program around it: the records of the open
// workbook, the save, the reset of the window, which panels are shown, a
// printout, the calendar and the toolbar. The main window answers; a panel
// knows no other panel's controls and never the main window itself.

#include <QString>
#include <initializer_list>
#include <utility>

class QAction;
class Calendario;

namespace store {
class Book;

// The panels of the main window, and its practice toolbar.
enum class Panel { Practice, NumberChooser, Client, Sector, Binder, Search, Ledger, Toolbar };

// Which search last filled the practice search area, and the state boxes of
// the search panel: the state printout is titled from them.
struct SearchState {
    enum Kind { None, InPreparation, Completed, Client };
    Kind last = None;
    bool inPreparationTicked = false;
    bool completedTicked = false;
};

// The practice panel's fields as they stand on screen, saved or not: what
// the cover and the label print.
struct ShownPractice {
    QString number, date, client, subject, description, sector, place, binder;
    bool inPreparation = false, completed = false;
    QString notes, estimate;
};

class PanelContext {
public:
    virtual Book& book() = 0;
    // Saves the workbook in place, the file written in the background; a
    // failure is reported in a box titled "Velmora" when it comes, and is
    // answered false when the save could not start at all.
    virtual bool save() = 0;
    // Empties every field of the window and refreshes the practice list.
    virtual void resetForm() = 0;
    // Hides and shows panels: the hidden ones first, then the shown ones.
    virtual void switchPanels(std::initializer_list<std::pair<Panel, bool>> changes) = 0;
    // A print request: the code into the print form, which is then shown.
    virtual void requestPrint(int code) = 0;
    // The calendar form, loaded on first use.
    virtual Calendario* calendar() = 0;
    // The practice toolbar's buttons, by index 1 to 7.
    virtual QAction* toolbarButton(int index) const = 0;
    // Opens a document or an address in the program the desktop chooses.
    virtual void openDocument(const QString& path) = 0;
    // The folder of the practices' documents, with its trailing separator.
    virtual QString documentsFolder() const = 0;

    // What the printouts ask of the practice side.
    virtual bool practiceShown() const = 0;
    virtual SearchState lastSearch() const = 0;
    virtual ShownPractice shownPractice() const = 0;
    // The label of the practice shown, on the current printer; false when
    // the practice lacks a field the label needs (the user has been told).
    virtual bool printLabel() = 0;

protected:
    ~PanelContext() = default;
};

} // namespace store
