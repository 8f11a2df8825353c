#pragma once
// The export areas of the module, each registering one part of the Python
// interface. The module initialiser calls them in this order; later areas use
// classes of earlier ones as bases, arguments and results.

namespace Tarnu
{

void exportCoreBindings();
void exportMathBindings();
void exportEntityBindings();
void exportResourceBindings();
void exportInputBindings();
void exportManagerBindings();
void exportBoundBindings();
void exportPhysicsBindings();
void exportRenderBindings();
void exportTextBindings();
void exportGamePlayerBindings();
void exportPathfinderBindings();
void exportFSMBindings();
void exportPlayerBindings();

}
