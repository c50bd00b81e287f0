#include "reference/choice.h"

#include "platform/desktop/controls.h"

#include <QComboBox>
#include <QLineEdit>

namespace refdata {

int chosenIndex(const QComboBox* box) {
    const int i = box->currentIndex();
    if (i < 0 || i >= box->count()) return -1;
    return box->currentText() == box->itemText(i) ? i : -1;
}

void refill(QComboBox* box, const QStringList& names) { refillComboList(box, names); }

QString boxText(const QWidget* box) {
    if (auto* e = qobject_cast<const QLineEdit*>(box)) return e->text();
    if (auto* m = qobject_cast<const MultiLineTextBox*>(box)) return m->text();
    if (auto* c = qobject_cast<const QComboBox*>(box)) return c->currentText();
    return QString();
}

void setBoxText(QWidget* box, const QString& text) {
    if (auto* e = qobject_cast<QLineEdit*>(box))
        setTextWhole(e, text);
    else if (auto* m = qobject_cast<MultiLineTextBox*>(box))
        m->setText(text);
    else if (auto* c = qobject_cast<QComboBox*>(box))
        c->setEditText(text);
}

} // namespace refdata
