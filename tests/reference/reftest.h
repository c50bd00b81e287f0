#pragma once
// Helpers of the reference-panel tests: seed records, choose a list entry as
// a user would, read cells back from memory or from the file on disk.

#include "app/form1.h"
#include "platform/desktop/controls.h"
#include "platform/engine/vbconv.h"
#include "platform/engine/workbook.h"
#include "tests/support/app_fixture.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <QTest>

namespace reftest {

using testsupport::control;

inline void put(xl::Worksheet& s, int row, int col, const xl::Value& v) { s.Cells(row, col).SetValue(v); }

inline QString cellText(xl::Worksheet& s, int row, int col) { return vb::CStr(s.Cells(row, col).GetValue()); }

inline QString diskText(testsupport::AppFixture& fx, const QString& sheet, int row, int col) {
    auto book = fx.onDisk();
    return book ? vb::CStr(book->Sheets(sheet).Cells(row, col).GetValue()) : QStringLiteral("<no file>");
}

// A user picking entry i from the drop-down list.
inline void choose(QComboBox* box, int i) {
    box->setCurrentIndex(i);
    emit box->activated(i);
}

inline void leave(QWidget* w) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(w, &out);
}

inline QStringList items(const QComboBox* box) {
    QStringList l;
    for (int i = 0; i < box->count(); ++i) l << box->itemText(i);
    return l;
}

} // namespace reftest
