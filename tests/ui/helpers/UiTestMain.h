#pragma once

#include "LumettaApplication.h"

#include <QTest>

// Runs a Qt Test class under the program's own application object, so that errors escaping
// handlers reach the general error handler as they do in the program.
#define LUMETTA_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        LumettaApplication application(argc, argv);                                                \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }
