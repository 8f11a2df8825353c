#include "core/python/LiveSingleton.h"

#include "core/EngineWarning.h"
#include "core/LogManager.h"

namespace Tarnu
{

void noteMissingSingleton(const std::string& typeName)
{
    // Root.initialize makes the log manager first: while none was ever made, it never ran.
    static bool noted = false;
    if (noted || LogManager::getGeneration() != 0)
        return;
    noted = true;
    const std::string className = typeName.substr(typeName.rfind(':') + 1);
    printEngineHint(className + ".getSingleton() answers None: the engine's managers exist only between "
                                "Root.initialize and Root.shutdown; call Root.initialize first.");
}

}
