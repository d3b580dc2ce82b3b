// GoogleTest's main for the core tests, ending the process as the program does: on Windows
// without the DLLs' detach handlers, which can wait forever after worker threads.
#include "ProcessEnd.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    return EndProcess(RUN_ALL_TESTS());
}
