#pragma once
// Widget logic shared by the client, sector and binder panels: which list
// entry a combo box really names (and so which record row), how a list is
// filled again, and the text of a one- or multi-line box.

#include "store/rows.h"

#include <QString>
#include <QStringList>

class QComboBox;
class QWidget;

namespace refdata {

// The list entry the combo box names, or -1. A text typed or edited over the
// box does not name the entry that was chosen before, even though Qt keeps
// that entry as current: writing to its row would then hit the wrong record
// (or the header row when nothing was ever chosen).
int chosenIndex(const QComboBox* box);
// Records are listed in sheet order, so entry n is the n-th record row; 0
// when no entry is chosen.
inline int chosenRow(const QComboBox* box) {
    const int i = chosenIndex(box);
    return i < 0 ? 0 : i + store::kFirstRecordRow;
}

// Empties the box (list and text) and lists `names`. Filling chooses
// nothing: an entry shown as chosen after a refill would let the next modify
// overwrite that record with the emptied fields.
void refill(QComboBox* box, const QStringList& names);

// Text of a single- or multi-line box.
QString boxText(const QWidget* box);
void setBoxText(QWidget* box, const QString& text);

} // namespace refdata
