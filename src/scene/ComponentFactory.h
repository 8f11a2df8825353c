#pragma once
// The factory of component prototypes by type name. Unlike the event factory
// it checks what a prototype makes: same type and same super type as itself.

#include "core/Singleton.h"

#include <map>
#include <memory>
#include <string>

namespace Tarnu
{

class Component;
class ParameterList;

class ComponentFactory : public Singleton<ComponentFactory>
{
public:
    void registerType(const std::shared_ptr<Component>& prototype);
    bool isRegistered(const std::string& name) const { return prototypes.count(name) != 0; }
    /// The prototype, or empty.
    std::shared_ptr<Component> getRegistered(const std::string& name) const;
    std::shared_ptr<Component> create(const std::string& name, const ParameterList& params) const;

private:
    std::map<std::string, std::shared_ptr<Component>> prototypes;
};

}
