#include "RunWaiter.h"

#include "Unit1.h"

#include <QTest>

bool waitForRunEnd(TForm1 &window, int msecs)
{
    return QTest::qWaitFor([&window] { return !window.isGenerating(); }, msecs);
}
