#pragma once
// The main window: the menu bar, the help button, the logo, the IP label, the
// timers, and every panel of the program as a frame of this one window, at
// most one of them shown. Panels reach each other and the shared procedures
// (reset, lists, loaders, save) through it.

#include "platform/desktop/fileprobe.h"
#include "platform/engine/workbook.h"
#include "store/book.h"
#include "store/panelcontext.h"

#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <vector>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;
class QScreen;
class QTimer;
class QToolBar;
class ImageLabel;
class PracticePanel;
class NumberChooserPanel;
class ClientPanel;
class SectorPanel;
class BinderPanel;
class SearchPanel;
class LedgerPanel;
class StampaP;
class Calendario;
class WorkbookPreload;

class Form1 : public QMainWindow, public store::PanelContext {
    Q_OBJECT
public:
    explicit Form1(const QString& programFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // Start-up in its order; false when the program must end (its message
    // has been shown and nothing was opened).
    bool Form_Load();
    // A read of the workbook started before the window was built, for
    // Form_Load to take instead of reading the file itself.
    void usePreload(WorkbookPreload* preload) { preload_ = preload; }

    const QString& programFolder() const { return programFolder_; }
    QString workbookPath() const;

    // The practice toolbar's buttons, by index 1 to 7.
    QAction* toolbarButton(int index) const override;

    // The small forms, loaded on first use.
    StampaP* stampaP();
    Calendario* calendario();
    bool stampaPLoaded() const { return stampaP_ != nullptr; }

    // Shows and hides panels (and the toolbar): the hidden ones first, then
    // the shown ones; the window then takes the size the shown panel needs,
    // within the screen.
    void switchPanels(std::initializer_list<std::pair<QWidget*, bool>> changes);

    // What the panels ask of the window.
    store::Book& book() override { return book_; }
    // The file is written in the background: false only when the save could
    // not start (told in a box); a failure of the writing is told when it
    // comes.
    bool save() override { return startSave(); }
    void resetForm() override { ResetForm(); }
    void switchPanels(std::initializer_list<std::pair<store::Panel, bool>> changes) override;
    Calendario* calendar() override { return calendario(); }
    void openDocument(const QString& path) override { OpenDocument(this, path); }
    QString documentsFolder() const override { return programFolder_ + QStringLiteral("/Documenti/"); }
    bool practiceShown() const override;
    store::SearchState lastSearch() const override;
    store::ShownPractice shownPractice() const override;
    bool printLabel() override;

    // Shared procedures.
    void Form_Activate();
    void ResetForm();
    // Saves the workbook in place and waits for the file; a failure is
    // reported in a box titled "Velmora" and answered false.
    bool SaveWorkbook();
    // Returns once the file holds every save asked for, a failure told.
    void waitForSave();
    void OpenDocument(QWidget* owner, const QString& path);
    // A print request: the code into StampaP.Text1, then StampaP shown.
    void requestPrint(int code) override;

    // Handlers of the window itself.
    void MenuPratiche_Click();
    void MenuClienti_Click();
    void MenuClassificazione_Click();
    void MenuRaccoglitore_Click();
    void MSalvataggio_Click();
    void MenuEsci_Click();
    void MnExcel_Click();
    void MnCoopertina_Click();
    void Timer2_Timer();
    void Image1_MouseDown();
    void Command40_Click();

    // The desktop session ends or the program is told to terminate: what the
    // exit menu item does, without asking (nobody is there to answer). A
    // save that fails leaves the file on disk as it was.
    void endSession();

    // Ending the program: every end path goes through here, so tests can see
    // it without the process going away.
    bool ended() const { return ended_; }
    // How many times Form_Activate has run; the first showing makes it 1.
    int activations() const { return activations_; }
    // The web site the logo opens.
    static QString siteAddress();

    bool eventFilter(QObject* watched, QEvent* e) override;

signals:
    void programEnded();

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool event(QEvent* e) override;

private:
    // The workbook engine that stands in for the spreadsheet application.
    xl::Application Excel;

    // Menu bar.
    QAction* MenuPratiche = nullptr;
    QAction* MenuClienti = nullptr;
    QMenu* MenuArchiviazione = nullptr;
    QAction* MenuClassificazione = nullptr;
    QAction* MenuRaccoglitore = nullptr;
    QAction* MnExcel = nullptr;
    QAction* MnCoopertina = nullptr;
    QAction* MSalvataggio = nullptr;
    QAction* MenuEsci = nullptr;

    // Elements outside the panels.
    QPushButton* Command40 = nullptr;
    ImageLabel* Image1 = nullptr;
    QLabel* Label45 = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* Timer3 = nullptr;

    // Panels.
    PracticePanel* Frame1 = nullptr;
    NumberChooserPanel* Frame2 = nullptr;
    ClientPanel* Frame3 = nullptr;
    SectorPanel* Frame4 = nullptr;
    BinderPanel* Frame5 = nullptr;
    SearchPanel* Frame6 = nullptr;
    LedgerPanel* Frame8 = nullptr;

    // The practice toolbar.
    QToolBar* Toolbar1 = nullptr;

    void endProgram();
    void switchWidgets(const std::vector<std::pair<QWidget*, bool>>& changes);
    void buildLayout();
    QScreen* ownScreen() const;
    // What the window manager's frame adds to the window's size.
    QSize frameExtra() const;
    // The largest inside of the window whose frame fits the screen's
    // available area.
    QSize roomOnScreen() const;
    // The start size and place: the frame within the available area, centred.
    void placeAtStart();
    // Shrinks and moves the window so that its frame lies on the screen.
    void keepOnScreen();
    // Save without a message, written before it returns (after any save
    // still being written); false with the reason in `why`.
    bool saveQuietly(QString* why);
    // What must hold before the file is replaced, checked here and now; false
    // with the reason in `why`.
    bool saveAllowed(xl::Workbook& book, QString* why);
    // A snapshot of the workbook goes to be written in the background; false
    // when the save could not start (the box has been shown).
    bool startSave();
    // A background save is over: the mark follows the new file, a failure
    // is told.
    void saveFinished(std::exception_ptr failure);
    void tellSaveFailed(const QString& why);
    // Closes the workbook, quits the engine and ends (after a save, or after
    // the user accepted ending without one).
    void closeAndEnd();
    // Takes off the marks that keep others away from the workbook.
    void releaseMarks();

    QString programFolder_;
    WorkbookPreload* preload_ = nullptr;
    store::Book book_{Excel};
    StampaP* stampaP_ = nullptr;
    QPointer<Calendario> calendario_;
    fileprobe::FolderLock lock_;
    fileprobe::OfficeMark mark_;
    bool loaded_ = false;
    bool ended_ = false;
    bool sessionEnding_ = false; // the session is ending: the save shows no box
    bool lastSaveOk_ = false;    // how the last background save ended
    // A save written now repeats what an earlier one still being written
    // holds: that one's failure needs no box of its own.
    bool saveRepeated_ = false;
    bool activatedOnce_ = false;
    bool ownFormActivated_ = false;
    int activations_ = 0;
    // The size the window had before a panel made it grow.
    QSize restSize_;
    bool grownForPanel_ = false;
    bool framePending_ = false;
    static constexpr QSize kPreferredSize{1280, 800};
};
