#pragma once
// The singleton manager of unit state machine definitions. Only its loaders
// make definitions, since a definition needs to know where its states come
// from: the generic create makes nothing. A name already held answers the
// definition held, whatever module or script the caller names.

#include "core/Singleton.h"
#include "core/resources/ResourceManager.h"
#include "game/units/FSMResource.h"

#include <memory>
#include <string>

namespace Tarnu
{

class FSMResourceManager : public ResourceManager, public Singleton<FSMResourceManager>
{
public:
    FSMResourceManager() = default;
    /// Unloads every definition first: their listeners leave the managers they are on.
    ~FSMResourceManager() override { unloadAll(); }

    /// The definition of that name, made unloaded from a function of a Python module when
    /// there is none; an empty name gives nothing. Loads nothing.
    std::shared_ptr<FSMResource> loadFSMFromModule(const std::string& name, const std::string& module,
                                                   const std::string& function);
    /// The same from a script file, which fills the definition it finds as `fsm`.
    std::shared_ptr<FSMResource> loadFSMFromScript(const std::string& name, const std::string& script)
    {
        return loadFSMFromModule(name, script, "");
    }
    /// The same for a definition that Python fills later.
    std::shared_ptr<FSMResource> createEmptyFSM(const std::string& name) { return loadFSMFromModule(name, "", ""); }
};

}
