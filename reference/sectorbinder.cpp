#include "reference/sectorbinder.h"

#include "app/form1.h"
#include "app/named.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

SectorPanel::SectorPanel(Form1& f) : QGroupBox(QStringLiteral("Nuova Classificazione")), form(f) {
    setObjectName(QStringLiteral("Frame4"));
    Combo6 = named(new QComboBox(this), "Combo6");
    Combo6->setEditable(true);
    Text28 = named(new QLineEdit(this), "Text28");
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Nuovo Settore"), Combo6);
    lay->addRow(QStringLiteral("Note"), Text28);
}

BinderPanel::BinderPanel(Form1& f) : QGroupBox(QStringLiteral("Nuova Catalogazione")), form(f) {
    setObjectName(QStringLiteral("Frame5"));
    Combo5 = named(new QComboBox(this), "Combo5");
    Combo5->setEditable(true);
    Text29 = named(new QLineEdit(this), "Text29");
    Text31 = named(new QLineEdit(this), "Text31");
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Numero Faldone"), Combo5);
    lay->addRow(QStringLiteral("Descrizione"), Text29);
    lay->addRow(QStringLiteral("Note"), Text31);
}
