#pragma once
// The export areas of the core: each registers one part of the Python
// interface. The module entry calls every subsystem's areas in one order;
// later areas use classes of earlier ones as bases, arguments and results.

namespace Tarnu
{

void exportCoreBindings();
void exportMathBindings();
void exportResourceBindings();
void exportInputBindings();
void exportBoundBindings();

}
