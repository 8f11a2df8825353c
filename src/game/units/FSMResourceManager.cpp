#include "game/units/FSMResourceManager.h"

namespace Tarnu
{

std::shared_ptr<FSMResource> FSMResourceManager::loadFSMFromModule(const std::string& name, const std::string& module,
                                                                   const std::string& function)
{
    if (name.empty())
        return nullptr;
    if (const std::shared_ptr<Resource> held = getResource(name))
        return std::static_pointer_cast<FSMResource>(held);
    const auto made = std::make_shared<FSMResource>(name, getNextHandle(), module, function);
    insert(made);
    return made;
}

}
