#pragma once

#include "LumettaApplication.h"
#include "ProcessEnd.h"

#include <QTest>

// Runs a Qt Test object under the program's own application object, so that errors escaping
// handlers reach the general error handler as they do in the program, and ends the process as
// the program does. prepare, if given, sets the application up first.
template <typename TestClass, typename Prepare>
int RunUiTest(int argc, char **argv, Prepare prepare)
{
    int result = 0;
    {
        LumettaApplication application(argc, argv);
        prepare(application);
        TestClass test;
        result = QTest::qExec(&test, argc, argv);
    }
    return EndProcess(result);
}

#define LUMETTA_UI_TEST_MAIN(TestClass)                                                            \
    int main(int argc, char **argv)                                                                \
    {                                                                                              \
        return RunUiTest<TestClass>(argc, argv, [](LumettaApplication &) {});                      \
    }
