#include "practices/practicepanel.h"

#include "app/controls.h"
#include "app/form1.h"
#include "app/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

PracticePanel::PracticePanel(Form1& f) : QGroupBox(QStringLiteral("Gestione Pratiche ")), form(f) {
    setObjectName(QStringLiteral("Frame1"));
    Text1 = named(new QLineEdit(this), "Text1");
    Check1 = named(new QCheckBox(this), "Check1");
    Text2 = named(new QLineEdit(this), "Text2");
    Text8 = named(new QLineEdit(this), "Text8");
    Combo1 = named(new QComboBox(this), "Combo1");
    Text3 = named(new QLineEdit(this), "Text3");
    Text4 = named(new MultiLineTextBox(this), "Text4");
    Combo2 = named(new QComboBox(this), "Combo2");
    Text37 = named(new QLineEdit(this), "Text37");
    Text5 = named(new QLineEdit(this), "Text5");
    Combo3 = named(new QComboBox(this), "Combo3");
    Check2 = named(new QCheckBox(QStringLiteral("Istruttoria"), this), "Check2");
    Check3 = named(new QCheckBox(QStringLiteral("Completata"), this), "Check3");
    Text6 = named(new MultiLineTextBox(this), "Text6");
    ListView1 = named(new ListView(this), "ListView1");
    for (QComboBox* c : {Combo1, Combo2, Combo3}) c->setEditable(true);

    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("Numero Pratica"), Text1);
    lay->addRow(Check1);
    lay->addRow(QStringLiteral("Data Apertura"), Text2);
    lay->addRow(Text8);
    lay->addRow(QStringLiteral("Cliente"), Combo1);
    lay->addRow(QStringLiteral("Oggetto"), Text3);
    lay->addRow(QStringLiteral("Descrizione"), Text4);
    lay->addRow(QStringLiteral("Settore"), Combo2);
    lay->addRow(QStringLiteral("Preventivo €"), Text37);
    lay->addRow(QStringLiteral("Collocazione/Faldone"), Text5);
    lay->addRow(Combo3);
    lay->addRow(Check2);
    lay->addRow(Check3);
    lay->addRow(Text6);
    lay->addRow(QStringLiteral("Seleziona Pratica"), ListView1);
}
