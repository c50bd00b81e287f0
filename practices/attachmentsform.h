#pragma once
// The attachments form: picks a bitmap in the documents folder through the
// file-open dialog and opens it with the program associated with it. It is
// unloaded after each pick, so each opening starts afresh.

#include <QObject>
#include <QString>
#include <QWidget>

class QPushButton;

// The file-open dialog with its settings, filled before it is shown. The
// filter is written "description|pattern", as the dialog's callers write it.
class CommonDialog : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    QString DialogTitle;
    QString Filter;
    QString InitDir;
    int FilterIndex = 0; // 1-based: which description|pattern pair is offered first
    QString FileName;    // the file chosen; "" when the dialog was cancelled

    // Shows the dialog and waits for it; false when it was cancelled.
    bool ShowOpen();
    // The filter in the dialog's own form: "Bitmaps(*.bmp) (*.bmp)".
    QString dialogFilter() const;
};

class Form3 : public QWidget {
    Q_OBJECT
public:
    // A form of `window` that picks in `documentsFolder`.
    Form3(QWidget* window, const QString& documentsFolder);

    void Command1_Click();
    // Hides the form and lets it go; the next opening loads a new one.
    void Unload();

signals:
    // The document picked, to be opened with the program associated with it.
    void documentChosen(const QString& path);

private:
    QString folder_;
    QPushButton* Command1 = nullptr; // "&Seleziona Allegato Pratica"
    CommonDialog* CommonDialog1 = nullptr;
};

// The attachments form of `window` when it is loaded, else nullptr.
Form3* loadedForm3(QWidget& window);
