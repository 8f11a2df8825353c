#include "core/python/CoreBridges.h"

#include "core/ParameterList.h"

namespace Tarnu
{

const std::string& PythonFactoryEvent::getFactoryType() const
{
    if (factoryType.empty())
        factoryType = getClassName();
    return factoryType;
}

std::shared_ptr<FactoryEvent> PythonFactoryEvent::createNew(const ParameterList& params) const
{
    return callRethrowing<std::shared_ptr<FactoryEvent>>("createNew", params);
}

std::shared_ptr<FactoryEvent> PythonFactoryEvent::createCopy(double time) const
{
    return callRethrowing<std::shared_ptr<FactoryEvent>>("createCopy", time);
}

}
