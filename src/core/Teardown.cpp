#include "core/Teardown.h"

#include "core/EngineWarning.h"

#include <string>

namespace Tarnu
{

bool Teardown::takesAdditions(const char* operation) const
{
    if (!beingDestroyed)
        return true;
    logEngineWarning(std::string(operation) + " refused: the object is being destroyed.");
    return false;
}

}
