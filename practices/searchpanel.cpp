#include "practices/searchpanel.h"

#include "app/controls.h"
#include "app/form1.h"
#include "app/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

SearchPanel::SearchPanel(Form1& f) : QGroupBox(QStringLiteral("Ricerca")), form(f) {
    setObjectName(QStringLiteral("Frame6"));
    Combo7 = named(new QComboBox(this), "Combo7");
    Combo7->setEditable(true);
    Text27 = named(new QLineEdit(this), "Text27");
    Check8 = named(new QCheckBox(QStringLiteral("Pratiche in Istruttoria"), this), "Check8");
    Check9 = named(new QCheckBox(QStringLiteral("Pratiche Completata"), this), "Check9");
    ListView2 = named(new ListView(this), "ListView2");
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Ricerca  selezionando il Cliente"), Combo7);
    lay->addRow(Text27);
    lay->addRow(Check8);
    lay->addRow(Check9);
    lay->addRow(ListView2);
}
