#pragma once
// A registry of prototypes by type name that makes new objects by asking a
// prototype for createNew. The first prototype registered under a name stays.
// Its products are of one family of parameter tables (events, for the event
// factory), in whose name it reads the lists.

#include "core/ParameterList.h"
#include "core/ParameterTable.h"

#include <map>
#include <stdexcept>
#include <string>

namespace Tarnu
{

template <class Product, class Prototype>
class ObjectFactory
{
public:
    explicit ObjectFactory(ParameterTable::Family family) : family(family) {}
    virtual ~ObjectFactory() = default;

    void registerType(const Prototype& prototype)
    {
        if (prototype)
            prototypes.emplace(prototype->getFactoryType(), prototype);
    }

    bool isRegistered(const std::string& name) const { return prototypes.count(name) != 0; }

    const Prototype& getRegistered(const std::string& name) const
    {
        auto found = prototypes.find(name);
        if (found == prototypes.end())
            throw std::runtime_error("Unregistered factory type " + name + ".");
        return found->second;
    }

    Product create(const std::string& name, const ParameterList& params) const
    {
        // Held for the call: a prototype written in a script runs script code.
        const Prototype prototype = getRegistered(name);
        Product product;
        {
            const ParameterReading reading(family, name, params);
            product = prototype->createNew(params);
        }
        if (!product)
            throw std::runtime_error("Create function returned null for type " + name + ".");
        return product;
    }

private:
    ParameterTable::Family family;
    std::map<std::string, Prototype> prototypes;
};

}
