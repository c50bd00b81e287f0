#include "tests/support/scripted_dialogs.h"

namespace testsupport {

namespace {
QString kindName(BoxKind k) {
    switch (k) {
    case BoxKind::Message: return QStringLiteral("message");
    case BoxKind::Question: return QStringLiteral("question");
    case BoxKind::Input: return QStringLiteral("input");
    case BoxKind::OpenFile: return QStringLiteral("open-file");
    }
    return {};
}
QString show(const QString& s) { return QLatin1Char('"') + s + QLatin1Char('"'); }
} // namespace

ScriptedDialogs& ScriptedDialogs::expectMessage(const QString& text, const QString& title,
                                                std::optional<ui::MsgIcon> icon) {
    queue_.push_back({BoxKind::Message, text, title, icon, false, {}, std::nullopt});
    return *this;
}
ScriptedDialogs& ScriptedDialogs::expectQuestion(const QString& text, bool yes, const QString& title,
                                                 std::optional<ui::DefaultAnswer> defaultAnswer) {
    queue_.push_back({BoxKind::Question, text, title, std::nullopt, yes, {}, defaultAnswer});
    return *this;
}
ScriptedDialogs& ScriptedDialogs::expectInput(const QString& prompt, const QString& answer, const QString& title) {
    queue_.push_back({BoxKind::Input, prompt, title, std::nullopt, false, answer, std::nullopt});
    return *this;
}
ScriptedDialogs& ScriptedDialogs::expectOpenFile(const QString& answer) {
    queue_.push_back({BoxKind::OpenFile, QString(), QString(), std::nullopt, false, answer, std::nullopt});
    return *this;
}

const ScriptedDialogs::Expectation* ScriptedDialogs::take(BoxKind kind, const QString& text, const QString& title,
                                                          ui::MsgIcon icon) {
    if (queue_.empty()) {
        failures << QStringLiteral("unexpected %1 box %2 (title %3)").arg(kindName(kind), show(text), show(title));
        return nullptr;
    }
    last_ = queue_.front();
    queue_.pop_front();
    if (last_.kind != kind) {
        failures << QStringLiteral("expected a %1 box, got a %2 box %3")
                        .arg(kindName(last_.kind), kindName(kind), show(text));
        return nullptr;
    }
    if (!last_.text.isNull() && last_.text != text)
        failures << QStringLiteral("%1 box text %2, expected %3").arg(kindName(kind), show(text), show(last_.text));
    if (!last_.title.isNull() && last_.title != title)
        failures << QStringLiteral("%1 box %2 has title %3, expected %4")
                        .arg(kindName(kind), show(text), show(title), show(last_.title));
    if (last_.icon && *last_.icon != icon)
        failures << QStringLiteral("message box %1 has icon %2, expected %3")
                        .arg(show(text))
                        .arg(int(icon))
                        .arg(int(*last_.icon));
    return &last_;
}

void ScriptedDialogs::message(const QString& text, const QString& title, ui::MsgIcon icon) {
    shown.push_back({BoxKind::Message, text, title, icon, {}});
    take(BoxKind::Message, text, title, icon);
}

bool ScriptedDialogs::question(const QString& text, const QString& title, ui::DefaultAnswer defaultAnswer) {
    shown.push_back({BoxKind::Question, text, title, ui::MsgIcon::None, {}, defaultAnswer});
    const Expectation* e = take(BoxKind::Question, text, title, ui::MsgIcon::None);
    if (e && e->defaultAnswer && *e->defaultAnswer != defaultAnswer)
        failures << QStringLiteral("question %1 has %2 as its default, expected %3")
                        .arg(show(text),
                             defaultAnswer == ui::DefaultAnswer::No ? QStringLiteral("No") : QStringLiteral("Yes"),
                             *e->defaultAnswer == ui::DefaultAnswer::No ? QStringLiteral("No") : QStringLiteral("Yes"));
    return e && e->yes;
}

QString ScriptedDialogs::input(const QString& prompt, const QString& title, const QString& defaultText) {
    shown.push_back({BoxKind::Input, prompt, title, ui::MsgIcon::None, defaultText});
    const Expectation* e = take(BoxKind::Input, prompt, title, ui::MsgIcon::None);
    return e ? e->answer : QString();
}

QString ScriptedDialogs::openFile(const QString& title, const QString&, const QString&) {
    shown.push_back({BoxKind::OpenFile, QString(), title, ui::MsgIcon::None, {}});
    const Expectation* e = take(BoxKind::OpenFile, QString(), QString(), ui::MsgIcon::None);
    return e ? e->answer : QString();
}

QString ScriptedDialogs::verify() const {
    QStringList all = failures;
    for (const Expectation& e : queue_)
        all << QStringLiteral("expected %1 box %2 was never shown").arg(kindName(e.kind), show(e.text));
    return all.join(QLatin1Char('\n'));
}

ScopedDialogs::ScopedDialogs() : previous_(&ui::dialogs()) { ui::setDialogs(&d_); }
ScopedDialogs::~ScopedDialogs() { ui::setDialogs(previous_); }

} // namespace testsupport
