#pragma once
// The engine side of a component written in Python. Its type name is the
// Python class's name; its place in the type hierarchy is the class attribute
// `super` (a Python or engine component class), and through the factory's
// prototypes the chain above it. Attaching enters the component under every
// name of that chain but "Component"; detaching removes exactly those entries.

#include "core/python/PythonBridge.h"
#include "scene/Component.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace Tarnu
{

class PythonComponent : public Component, public PythonBridge
{
public:
    explicit PythonComponent(PyObject* self) : PythonBridge(self) {}

    const std::string& getType() const override;
    const std::string& getSuperType() const override;
    std::shared_ptr<Component> createNew(const ParameterList& params) const override;
    std::shared_ptr<Component> createCopy() const override;
    void entityChanged(const std::shared_ptr<Entity>& newEntity, const std::shared_ptr<Entity>& oldEntity) override;
    void managerChanged(const std::shared_ptr<SceneManager>& newManager,
                        const std::shared_ptr<SceneManager>& oldManager) override;
    bool attach(Entity* entity, const std::shared_ptr<Component>& self) override;
    void detach(Entity* entity) override;

    // What a Python subclass inherits when it leaves the notifications out.
    void defaultEntityChanged(const std::shared_ptr<Entity>&, const std::shared_ptr<Entity>&) {}
    void defaultManagerChanged(const std::shared_ptr<SceneManager>&, const std::shared_ptr<SceneManager>&) {}

private:
    /// The type names from this class up to (not including) "Component", or
    /// false when a level is unknown to the factory or the chain repeats a name.
    bool collectTypeChain(std::vector<std::string>& chain) const;

    mutable std::string typeName;
    mutable std::string superTypeName;
    // What attach entered, per entity, for detach to remove: while a callback moves
    // the component, it is entered for its new entity before its old one lets go.
    std::unordered_map<const Entity*, std::vector<std::string>> registeredNames;
};

}

namespace boost::python
{
template <> struct has_back_reference<Tarnu::PythonComponent> : mpl::true_ {};
}
