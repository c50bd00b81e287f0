#pragma once
// The controls of the practice panels and of the documents forms, found by
// their names as a user's script finds them. Each view is taken once and
// then used like the panel: `p->Text1`, `p.panel->InsertPractice()`.

#include "platform/desktop/controls.h"
#include "practices/numberchooser.h"
#include "practices/practicepanel.h"
#include "practices/scannerform.h"
#include "practices/searchpanel.h"
#include "tests/support/app_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace pt {

using testsupport::control;

template <typename View>
struct Arrow {
    const View* operator->() const { return static_cast<const View*>(this); }
};

// The practice panel (Frame1).
struct PracticeControls : Arrow<PracticeControls> {
    explicit PracticeControls(const QObject* root) : panel(control<PracticePanel>(root, QStringLiteral("Frame1"))) {}
    PracticePanel* panel;
    template <typename W>
    W* at(const char* name) const {
        return control<W>(panel, QLatin1String(name));
    }

    QLineEdit* Text1 = at<QLineEdit>("Text1");
    QLineEdit* Text2 = at<QLineEdit>("Text2");
    QComboBox* Combo1 = at<QComboBox>("Combo1");
    QLineEdit* Text3 = at<QLineEdit>("Text3");
    MultiLineTextBox* Text4 = at<MultiLineTextBox>("Text4");
    QComboBox* Combo2 = at<QComboBox>("Combo2");
    QLineEdit* Text5 = at<QLineEdit>("Text5");
    QComboBox* Combo3 = at<QComboBox>("Combo3");
    QCheckBox* Check2 = at<QCheckBox>("Check2");
    QCheckBox* Check3 = at<QCheckBox>("Check3");
    MultiLineTextBox* Text6 = at<MultiLineTextBox>("Text6");
    QLineEdit* Text37 = at<QLineEdit>("Text37");
    QCheckBox* Check1 = at<QCheckBox>("Check1");
    QLineEdit* Text8 = at<QLineEdit>("Text8");
    ListView* ListView1 = at<ListView>("ListView1");
    QPushButton* Command24 = at<QPushButton>("Command24");
    QPushButton* Command26 = at<QPushButton>("Command26");
    QPushButton* Command14 = at<QPushButton>("Command14");
    QPushButton* Command15 = at<QPushButton>("Command15");
    QPushButton* cmd14 = at<QPushButton>("cmd14");
    QPushButton* Command28 = at<QPushButton>("Command28");
    QPushButton* Command200 = at<QPushButton>("Command200");
    QPushButton* Command50 = at<QPushButton>("Command50");
    QPushButton* Command51 = at<QPushButton>("Command51");
    QLabel* Label1 = at<QLabel>("Label1");
};

// The number chooser (Frame2).
struct ChooserControls : Arrow<ChooserControls> {
    explicit ChooserControls(const QObject* root)
        : panel(control<NumberChooserPanel>(root, QStringLiteral("Frame2"))) {}
    NumberChooserPanel* panel;
    template <typename W>
    W* at(const char* name) const {
        return control<W>(panel, QLatin1String(name));
    }

    QLineEdit* Text9 = at<QLineEdit>("Text9");
    QCheckBox* Check5 = at<QCheckBox>("Check5");
    QLabel* Label9 = at<QLabel>("Label9");
    QPushButton* Command4 = at<QPushButton>("Command4");
    QPushButton* Command3 = at<QPushButton>("Command3");
};

// The search panel (Frame6).
struct SearchControls : Arrow<SearchControls> {
    explicit SearchControls(const QObject* root) : panel(control<SearchPanel>(root, QStringLiteral("Frame6"))) {}
    SearchPanel* panel;
    template <typename W>
    W* at(const char* name) const {
        return control<W>(panel, QLatin1String(name));
    }

    QLabel* Label34 = at<QLabel>("Label34");
    QComboBox* Combo7 = at<QComboBox>("Combo7");
    QLineEdit* Text27 = at<QLineEdit>("Text27");
    QLabel* Label36 = at<QLabel>("Label36");
    QCheckBox* Check8 = at<QCheckBox>("Check8");
    QCheckBox* Check9 = at<QCheckBox>("Check9");
    ListView* ListView2 = at<ListView>("ListView2");
    QPushButton* Command18 = at<QPushButton>("Command18");
    QPushButton* Command22 = at<QPushButton>("Command22");
    QPushButton* Command21 = at<QPushButton>("Command21");
    QPushButton* Command16 = at<QPushButton>("Command16");
};

// The scanner form.
struct ScannerControls : Arrow<ScannerControls> {
    explicit ScannerControls(Form5& f) : form(&f) {}
    Form5* form;
    template <typename W>
    W* at(const char* name) const {
        return control<W>(form, QLatin1String(name));
    }

    QLineEdit* Text1 = at<QLineEdit>("Text1");
    QPushButton* Command1 = at<QPushButton>("Command1");
    QPushButton* Command2 = at<QPushButton>("Command2");
};

inline PracticeControls practice(const QObject* root) { return PracticeControls(root); }
inline ChooserControls chooser(const QObject* root) { return ChooserControls(root); }
inline SearchControls search(const QObject* root) { return SearchControls(root); }
inline ScannerControls scanner(Form5& f) { return ScannerControls(f); }

} // namespace pt
