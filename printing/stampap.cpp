#include "printing/stampap.h"

#include "app/form1.h"
#include "app/named.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

StampaP::StampaP(Form1& f) : QWidget(nullptr, Qt::Window), form(f) {
    setObjectName(QStringLiteral("StampaP"));
    setWindowTitle(QStringLiteral("Seleziona Stampante"));
    Combo1 = named(new QComboBox(this), "Combo1");
    Combo1->setEditable(true);
    Command1 = named(new QPushButton(QStringLiteral("Seleziona"), this), "Command1");
    Label1 = named(new QLabel(this), "Label1");
    Text1 = named(new QLineEdit(this), "Text1");
    Text1->setReadOnly(true);
    auto* lay = new QVBoxLayout(this);
    lay->addWidget(Combo1);
    lay->addWidget(Command1);
    lay->addWidget(Label1);
    lay->addWidget(Text1);
}
