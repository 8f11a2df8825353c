#include "scene/python/PythonComponent.h"

#include "core/CallbackScope.h"
#include "core/EngineWarning.h"
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

const std::string& PythonComponentHooks::pythonType() const
{
    if (typeName.empty())
        typeName = getClassName();
    return typeName;
}

const std::string& PythonComponentHooks::pythonSuperType() const
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
            printPythonException();
            logToPython("'super' not defined in python class '" + pythonType() + "'.", LogFile::ML_NORMAL, false);
            printEngineHint("the component class " + pythonType() +
                            " needs the class attribute super, naming the class it derives from: super = Component "
                            "(or the engine class, such as PlayerBeacon).");
        }
    }
    return superTypeName;
}

std::shared_ptr<Component> PythonComponentHooks::pythonCreateNew(const ParameterList& params) const
{
    return callRethrowing<std::shared_ptr<Component>>("createNew", params);
}

std::shared_ptr<Component> PythonComponentHooks::pythonCreateCopy() const
{
    return callRethrowing<std::shared_ptr<Component>>("createCopy");
}

void PythonComponentHooks::pythonEntityChanged(const std::shared_ptr<Entity>& newEntity,
                                               const std::shared_ptr<Entity>& oldEntity) const
{
    callLoggedAs("Exception thrown in entityChanged method with type '" + pythonType() + "'.", "entityChanged",
                 newEntity, oldEntity);
}

void PythonComponentHooks::pythonManagerChanged(const std::shared_ptr<SceneManager>& newManager,
                                                const std::shared_ptr<SceneManager>& oldManager) const
{
    callLoggedAs("Exception thrown in managerChanged method with type '" + pythonType() + "'.", "managerChanged",
                 newManager, oldManager);
}

bool PythonComponentHooks::collectTypeChain(std::vector<std::string>& chain) const
{
    // An instance of the family's own Python class has nothing above it to walk.
    if (pythonType() == family)
        return true;
    chain.push_back(pythonType());
    // Each level is held while its super type is read: reading it runs script code.
    std::shared_ptr<const Component> held;
    for (;;)
    {
        const std::string parent = held ? held->getSuperType() : pythonSuperType();
        if (parent == family)
            return true;
        if (parent == Component::FACTORY_TYPE)
        {
            logToPython("Error inserting python component: '" + pythonType() + "' does not derive from '" + family +
                            "'",
                        LogFile::ML_CRITICAL, true);
            return false;
        }
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
                            pythonType() + "'",
                        LogFile::ML_CRITICAL, true);
            return false;
        }
        chain.push_back(parent);
        held = prototype;
    }
}

void PythonComponentHooks::attachTypeChain(Entity* entity, const std::shared_ptr<Component>& self,
                                           const std::vector<std::string>& chain)
{
    // Entered from the top of the chain down, as built-in classes enter from their base up.
    std::vector<std::string>& names = registeredNames[entity];
    names.assign(chain.rbegin(), chain.rend());
    for (const std::string& name : names)
        Component::registerComponent(name, entity, self);
}

void PythonComponentHooks::visitTypeChainEntries(const Component& component, const Entity& entity,
                                                 ReferenceVisitor& visitor) const
{
    auto found = registeredNames.find(&entity);
    if (found == registeredNames.end())
        return;
    for (const std::string& name : found->second)
        Component::visitRegistryEntry(name, entity, &component, visitor);
}

void PythonComponentHooks::detachTypeChain(const Component& component, Entity* entity)
{
    auto found = registeredNames.find(entity);
    if (found == registeredNames.end())
        return;
    for (const std::string& name : found->second)
        Component::unregisterComponent(name, entity, &component);
    registeredNames.erase(found);
}

}
