#pragma once
// The practice label: five lines of the practice shown, built in cell AU1 of
// sheet "Varie", printed alone on the current printer and emptied again.

#include "store/book.h"
#include "store/panelcontext.h"

#include <QString>

namespace printing {

// The label's text for the fields of the practice panel, one line feed
// after each of its five lines.
QString labelText(const QString& number, const QString& date, const QString& client, const QString& sector,
                  const QString& binder, const QString& place);

// "&Etichetta" of the practice panel: false, after telling the user, when
// the practice lacks its number, client, date, sector or binder; otherwise
// the label goes to the current printer and a job that fails is told.
bool printLabel(store::Book& book, const store::ShownPractice& practice);

} // namespace printing
