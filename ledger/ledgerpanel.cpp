#include "ledger/ledgerpanel.h"

#include "app/controls.h"
#include "app/form1.h"
#include "app/named.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

LedgerPanel::LedgerPanel(Form1& f) : QGroupBox(QStringLiteral("Gestione Acconti/Spese")), form(f) {
    setObjectName(QStringLiteral("Frame8"));
    Text30 = named(new QLineEdit(this), "Text30");
    Combo8 = named(new QComboBox(this), "Combo8");
    Combo8->setEditable(true);
    Text32 = named(new QLineEdit(this), "Text32");
    Combo9 = named(new QComboBox(this), "Combo9");
    Combo9->setEditable(true);
    Text33 = named(new QLineEdit(this), "Text33");
    Option1 = named(new QRadioButton(this), "Option1");
    Option1->setAutoExclusive(false);
    Text34 = named(new QLineEdit(this), "Text34");
    Text35 = named(new QLineEdit(this), "Text35");
    Text36 = named(new QLineEdit(this), "Text36");
    Check10 = named(new QCheckBox(QStringLiteral("Acconto"), this), "Check10");
    Check17 = named(new QCheckBox(QStringLiteral("Spesa"), this), "Check17");
    Text38 = named(new QLineEdit(this), "Text38");
    Text39 = named(new QLineEdit(this), "Text39");
    Text40 = named(new QLineEdit(this), "Text40");
    Frame7 = named(new QGroupBox(this), "Frame7");
    Check11 = named(new QCheckBox(QStringLiteral("Interroga/Modifica  Registrazioni per Pratica  e Saldo Scheda"), Frame7), "Check11");
    Check12 = named(new QCheckBox(QStringLiteral("Interroga/Modifica Registrazione per Cliente "), Frame7), "Check12");
    Check13 = named(new QCheckBox(QStringLiteral("Elimina Spesa  "), Frame7), "Check13");
    Check14 = named(new QCheckBox(QStringLiteral("Modifica ID Operazione  "), Frame7), "Check14");
    Check15 = named(new QCheckBox(QStringLiteral("Visualizza Registrazioni"), Frame7), "Check15");
    auto* modes = new QVBoxLayout(Frame7);
    for (QCheckBox* c : {Check11, Check12, Check13, Check14, Check15}) modes->addWidget(c);
    ListView3 = named(new ListView(this), "ListView3");
    auto* lay = new QFormLayout(this);
    lay->addRow(QStringLiteral("ID"), Text30);
    lay->addRow(QStringLiteral("N. Pratica"), Combo8);
    lay->addRow(QStringLiteral("Cliente"), Text32);
    lay->addRow(Combo9);
    lay->addRow(QStringLiteral("Data 00/00/0000"), Text33);
    lay->addRow(Option1);
    lay->addRow(QStringLiteral("Descrizione"), Text34);
    lay->addRow(QStringLiteral("Importo"), Text35);
    lay->addRow(QStringLiteral("+/-"), Text36);
    lay->addRow(Check10);
    lay->addRow(Check17);
    lay->addRow(QStringLiteral("Preventivo  "), Text38);
    lay->addRow(QStringLiteral("S/Scheda  "), Text39);
    lay->addRow(QStringLiteral("Saldo  "), Text40);
    lay->addRow(Frame7);
    lay->addRow(ListView3);
}
