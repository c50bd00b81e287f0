#include "reference/clientpanel.h"

#include "app/form1.h"
#include "app/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

ClientPanel::ClientPanel(Form1& f) : QGroupBox(QStringLiteral("Gestione Clienti")), form(f) {
    setObjectName(QStringLiteral("Frame3"));
    Combo4 = named(new QComboBox(this), "Combo4");
    Combo4->setEditable(true);
    Check4 = named(new QCheckBox(this), "Check4");
    Text18 = named(new QLineEdit(this), "Text18");
    Check7 = named(new QCheckBox(QStringLiteral("Cambia IDProgressivo"), this), "Check7");
    Check6 = named(new QCheckBox(QStringLiteral("Azzera Contatore "), this), "Check6");
    Text10 = named(new QLineEdit(this), "Text10");
    Text10->setReadOnly(true);
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Seleziona Cliente"), Combo4);
    lay->addRow(Check4);
    lay->addRow(QStringLiteral("Data"), Text18);
    lay->addRow(Check7);
    lay->addRow(Check6);
    lay->addRow(QStringLiteral("ID Progressivo"), Text10);
}
