#pragma once
// A scripted answerer for the program's dialogs: each expected box is queued
// with its answer; every box shown is recorded, checked against the queue in
// order, and answered from it. A box nobody expected, or one whose text,
// title or icon differs, is recorded in `failures` and answered No / "".
// Install it with a ScopedDialogs and check `verify()` at the end of a test.

#include "platform/desktop/dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <optional>

namespace testsupport {

enum class BoxKind { Message, Question, Input, OpenFile };

struct Box {
    BoxKind kind;
    QString text; // message text, question, or input prompt
    QString title;
    ui::MsgIcon icon = ui::MsgIcon::None;
    QString defaultText;                                      // input boxes
    ui::DefaultAnswer defaultAnswer = ui::DefaultAnswer::Yes; // questions
};

class ScriptedDialogs : public ui::Dialogs {
public:
    // Expectations, answered in the order queued. A null QString for text or
    // title matches anything.
    ScriptedDialogs& expectMessage(const QString& text, const QString& title = QString(),
                                   std::optional<ui::MsgIcon> icon = std::nullopt);
    // `defaultAnswer`, when given, is the button Enter must press.
    ScriptedDialogs& expectQuestion(const QString& text, bool yes, const QString& title = QString(),
                                    std::optional<ui::DefaultAnswer> defaultAnswer = std::nullopt);
    ScriptedDialogs& expectInput(const QString& prompt, const QString& answer, const QString& title = QString());
    ScriptedDialogs& expectOpenFile(const QString& answer);

    void message(const QString& text, const QString& title, ui::MsgIcon icon) override;
    bool question(const QString& text, const QString& title,
                  ui::DefaultAnswer defaultAnswer = ui::DefaultAnswer::Yes) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    QString openFile(const QString& title, const QString& filter, const QString& folder) override;

    // Every box shown, in order.
    std::vector<Box> shown;
    QStringList failures;
    int pending() const { return static_cast<int>(queue_.size()); }
    // Empty when every box was expected and every expectation was used;
    // otherwise a description for the test's failure message.
    QString verify() const;
    void clear() {
        queue_.clear();
        shown.clear();
        failures.clear();
    }

private:
    struct Expectation {
        BoxKind kind;
        QString text, title;
        std::optional<ui::MsgIcon> icon;
        bool yes = false;
        QString answer;
        std::optional<ui::DefaultAnswer> defaultAnswer;
    };
    const Expectation* take(BoxKind kind, const QString& text, const QString& title, ui::MsgIcon icon);
    std::deque<Expectation> queue_;
    Expectation last_;
};

// Installs a ScriptedDialogs for the lifetime of the object.
class ScopedDialogs {
public:
    ScopedDialogs();
    ~ScopedDialogs();
    ScriptedDialogs& operator*() { return d_; }
    ScriptedDialogs* operator->() { return &d_; }

private:
    ScriptedDialogs d_;
    ui::Dialogs* previous_;
};

} // namespace testsupport
