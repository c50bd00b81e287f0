#pragma once
// Controls carry the names the panels' procedures use, as member and as
// objectName, so that tests and the form-wide reset can find them.

#include <QString>

template <typename W>
W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}
