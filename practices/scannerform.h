#pragma once
// The scanner form: chooses the scanner source and acquires a document into
// the documents folder under a name the user types, noting it on the
// practice shown in the practice panel. Modeless; loaded at its first
// showing and only hidden afterwards.

#include <QWidget>

class Form1;
class QLabel;
class QLineEdit;
class QPushButton;

class Form5 : public QWidget {
    Q_OBJECT
public:
    explicit Form5(Form1& form);
    Form1& form;

    QLineEdit* Text1 = nullptr;      // the name of the document just acquired
    QPushButton* Command1 = nullptr; // "&Seleziona origine"
    QPushButton* Command2 = nullptr; // "&Acquisizione"
    QLabel* Image1 = nullptr;        // the fixed picture

    void Command1_Click();
    void Command2_Click();

    // The documents folder, with its trailing separator.
    static QString documentsFolder(const Form1& form);
};

// The scanner form of `form` when it has been loaded, else nullptr.
Form5* loadedForm5(Form1& form);
// The scanner form, loaded (hidden) on first use.
Form5& form5(Form1& form);
