#include "practices/numberchooser.h"

#include "app/form1.h"
#include "app/named.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>

NumberChooserPanel::NumberChooserPanel(Form1& f) : QGroupBox(QStringLiteral("Seleziona Numero Pratica")), form(f) {
    setObjectName(QStringLiteral("Frame2"));
    Text9 = named(new QLineEdit(this), "Text9");
    Check5 = named(new QCheckBox(QStringLiteral("  Azzera Contatore"), this), "Check5");
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Ultimo Numero Pratica"), Text9);
    lay->addRow(Check5);
}
