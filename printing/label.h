#pragma once
// The practice label: five lines of the practice shown, built in cell AU1 of
// sheet "Varie", printed alone on the current printer and emptied again.

class Form1;
#include <QString>

namespace printing {

// The label's text for the fields of the practice panel, one line feed
// after each of its five lines.
QString labelText(const QString& number, const QString& date, const QString& client, const QString& sector,
                  const QString& binder, const QString& place);

// "&Etichetta" of the practice panel.
void Command200_Click(Form1& form);

} // namespace printing
