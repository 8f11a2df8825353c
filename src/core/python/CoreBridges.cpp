#include "core/python/CoreBridges.h"

#include "core/ParameterList.h"

namespace Tarnu
{

const std::string& PythonFactoryEvent::getFactoryType() const
{
    namespace py = boost::python;
    if (factoryType.empty())
    {
        py::object self(py::handle<>(py::borrowed(getSelf())));
        factoryType = py::extract<std::string>(self.attr("__class__").attr("__name__"));
    }
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
