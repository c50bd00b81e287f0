#pragma once
// Every message, question, input box and file-open dialog of the program goes
// through one interface: Qt dialogs in the program, a scripted answerer in the
// tests, so that no test ever waits on a real modal box.

#include <QString>

class QWidget;

namespace ui {

enum class MsgIcon { None, Information, Critical };
// The button of a question that Enter presses.
enum class DefaultAnswer { Yes, No };

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A message box with an OK button; `text` may hold line breaks.
    virtual void message(const QString& text, const QString& title, MsgIcon icon) = 0;
    // A Yes/No question without icon; true for Yes. Enter answers Yes unless
    // the question asks for No, where Yes would lose the user's work.
    virtual bool question(const QString& text, const QString& title,
                          DefaultAnswer defaultAnswer = DefaultAnswer::Yes) = 0;
    // An input box; Cancel gives "".
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // The file-open dialog; Cancel gives "".
    virtual QString openFile(const QString& title, const QString& filter, const QString& folder) = 0;
};

// The dialogs in force. The program installs the Qt ones; tests install theirs.
Dialogs& dialogs();
void setDialogs(Dialogs* d);

// Installs Debian's Italian translations of Qt's own texts (the standard
// buttons "Sì", "No", "Annulla"...); false when they are not installed.
bool installItalianQtTranslations();

// Qt implementation with Italian buttons ("Sì", "No", "Annulla").
class QtDialogs : public Dialogs {
public:
    void message(const QString& text, const QString& title, MsgIcon icon) override;
    bool question(const QString& text, const QString& title, DefaultAnswer defaultAnswer = DefaultAnswer::Yes) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString openFile(const QString& title, const QString& filter, const QString& folder) override;
};

} // namespace ui
