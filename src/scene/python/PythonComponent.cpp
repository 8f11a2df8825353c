#include "scene/python/PythonComponent.h"

#include "core/CallbackScope.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/PythonManager.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"

#include <algorithm>

namespace py = boost::python;

namespace Tarnu
{

namespace
{

void logToPython(const std::string& message, LogFile::MessageLevel level, bool alsoToDefault)
{
    if (LogManager* logs = LogManager::getSingletonPtr())
        logs->logMessage(PythonManager::LOG_NAME, message, level, alsoToDefault);
}

}

const std::string& PythonComponent::getType() const
{
    if (typeName.empty())
        typeName = getClassName();
    return typeName;
}

const std::string& PythonComponent::getSuperType() const
{
    if (superTypeName.empty())
    {
        try
        {
            const CallbackScope callback;
            py::object self(py::handle<>(py::borrowed(getSelf())));
            superTypeName = py::extract<std::string>(self.attr("super").attr("__name__"));
        }
        catch (const py::error_already_set&)
        {
            PyErr_Print();
            logToPython("'super' not defined in python class '" + getType() + "'.", LogFile::ML_NORMAL, false);
        }
    }
    return superTypeName;
}

std::shared_ptr<Component> PythonComponent::createNew(const ParameterList& params) const
{
    return callRethrowing<std::shared_ptr<Component>>("createNew", params);
}

std::shared_ptr<Component> PythonComponent::createCopy() const
{
    return callRethrowing<std::shared_ptr<Component>>("createCopy");
}

void PythonComponent::entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity)
{
    callLoggedAs("Exception thrown in entityChanged method with type '" + getType() + "'.", "entityChanged", newEntity,
                 oldEntity);
}

void PythonComponent::managerChanged(const std::shared_ptr<SceneManager>& newManager,
                                     const std::shared_ptr<SceneManager>& oldManager)
{
    callLoggedAs("Exception thrown in managerChanged method with type '" + getType() + "'.", "managerChanged",
                 newManager, oldManager);
}

bool PythonComponent::collectTypeChain(std::vector<std::string>& chain) const
{
    chain.push_back(getType());
    // Each level is held while its super type is read: reading it runs script code.
    std::shared_ptr<const Component> held;
    const Component* level = this;
    for (;;)
    {
        const std::string parent = level->getSuperType();
        if (parent == Component::FACTORY_TYPE)
            return true;
        ComponentFactory* factory = ComponentFactory::getSingletonPtr();
        const std::shared_ptr<Component> prototype = factory ? factory->getRegistered(parent) : nullptr;
        if (!prototype)
        {
            logToPython("Error inserting python component: '" + parent + "' not registered with factory",
                        LogFile::ML_CRITICAL, true);
            return false;
        }
        if (std::find(chain.begin(), chain.end(), parent) != chain.end())
        {
            logToPython("Error inserting python component: type '" + parent + "' appears twice above '" +
                            getType() + "'",
                        LogFile::ML_CRITICAL, true);
            return false;
        }
        chain.push_back(parent);
        held = prototype;
        level = held.get();
    }
}

bool PythonComponent::attach(Entity* entity, const std::shared_ptr<Component>& self)
{
    std::vector<std::string> chain;
    if (!collectTypeChain(chain))
        return false;
    // Entered from the top of the chain down, as built-in classes enter from their base up.
    std::vector<std::string>& names = registeredNames[entity];
    names.assign(chain.rbegin(), chain.rend());
    for (const std::string& name : names)
        registerComponent(name, entity, self);
    return true;
}

void PythonComponent::detach(Entity* entity)
{
    auto found = registeredNames.find(entity);
    if (found == registeredNames.end())
        return;
    for (const std::string& name : found->second)
        unregisterComponent(name, entity, this);
    registeredNames.erase(found);
}

}
