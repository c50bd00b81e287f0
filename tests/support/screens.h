#pragma once
// What every program that draws screens into PNG files starts with: the
// application, the folder the pictures go to (the first argument, else the
// temporary folder), and the program under a fixture.

#include "tests/support/app_fixture.h"

#include <QApplication>
#include <QDir>

namespace testsupport {

struct Screens {
    QApplication app;
    QString out;
    AppFixture fx;

    Screens(int& argc, char** argv)
        : app(argc, argv), out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath()) {}
};

} // namespace testsupport
