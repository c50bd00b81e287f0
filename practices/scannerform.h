#pragma once
// The scanner form: chooses the scanner source and acquires a document into
// the documents folder under a name the user types, and tells the practice
// panel, which notes it on the practice shown. Modeless; loaded at its first
// showing and only hidden afterwards.

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

class Form5 : public QWidget {
    Q_OBJECT
public:
    // A form of `window`, saving into `documentsFolder` (with its trailing
    // separator).
    Form5(QWidget* window, const QString& documentsFolder);

    void Command1_Click();
    void Command2_Click();
    // Empties the name box, as each opening does.
    void clearName();

signals:
    // A document written into the documents folder under `name`.
    void documentAcquired(const QString& name);

private:
    QString folder_;
    QLineEdit* Text1 = nullptr;      // the name of the document just acquired
    QPushButton* Command1 = nullptr; // "&Seleziona origine"
    QPushButton* Command2 = nullptr; // "&Acquisizione"
    QLabel* Image1 = nullptr;        // the fixed picture
};

// The scanner form of `window` when it has been loaded, else nullptr.
Form5* loadedForm5(QWidget& window);
