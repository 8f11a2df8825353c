#pragma once
// The export areas of entities, scenes, templates and the manager singletons;
// the module entry calls them among the other subsystems' areas, in one order.

namespace Tarnu
{

void exportEntityBindings();
void exportManagerBindings();

}
