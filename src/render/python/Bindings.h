#pragma once
// The export areas of rendering, animation and text; the module entry calls
// them among the other subsystems' areas, in one order.

namespace Tarnu
{

void exportRenderBindings();
void exportTextBindings();

}
