#pragma once
// A recipe for an entity, read from an EntityTemplate element: components by
// type name with the parameters the component factory builds them from. A
// template inherits the components of its base templates, may drop some, and
// may leave parameters open (VarParam) to be filled from the caller's list
// or the template's default values when an entity is made.
//
// A component without open parameters is built once at load time and copied
// for every entity, unless its "cache" attribute says false.
//
// Bases load in steps of the resource's load (one per base), so a chain of
// thousands of bases is a loop; a template refers to its merged bases only
// weakly, since what it took from them is copied.

#include "core/ParameterList.h"
#include "core/resources/XmlElementResource.h"

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace Tarnu
{

class Component;
class Entity;

class EntityTemplate : public XmlElementResource
{
public:
    static inline const std::string FACTORY_TYPE = "EntityTemplate";

    EntityTemplate(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~EntityTemplate() override;

    /// A new entity with every component of the template; empty when the
    /// template is not loaded or had a load error.
    std::shared_ptr<Entity> createEntity(const ParameterList& params = ParameterList(),
                                         const std::string& entityName = "");
    /// The template's component of that type alone; empty when it has none or it cannot be made.
    std::shared_ptr<Component> createComponent(const std::string& type, const ParameterList& params);
    /// The factory's component, every error caught and logged; empty on failure.
    std::shared_ptr<Component> instantiateComponent(const std::string& type, const ParameterList& params) const;

protected:
    std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress) override;
    void unloadImpl() override;

private:
    struct Loading;

    enum CacheMode
    {
        CACHE = 0,
        NO_CACHE = 1,
        CACHE_DEFAULT = 2
    };

    struct ComponentRecord
    {
        ComponentRecord() = default;
        /// A copy leaves the cached component behind: it belongs to the template that built it.
        ComponentRecord(const ComponentRecord& other)
            : cacheMode(other.cacheMode), params(other.params), varParams(other.varParams)
        {
        }
        ComponentRecord& operator=(const ComponentRecord&) = delete;

        std::shared_ptr<Component> cached;
        CacheMode cacheMode = CACHE_DEFAULT;
        ParameterList params;
        ParameterList varParams;   // component parameter name → caller entry name
    };

    /// In the order the components were first given, inherited ones first.
    /// Shared, so that an instantiation walks a snapshot that a reload cannot pull away.
    using Records = std::vector<std::pair<std::string, std::shared_ptr<ComponentRecord>>>;

    ComponentRecord* findRecord(const std::string& type);
    /// The BaseTemplate children from where reading stopped; answers a base to load before reading on.
    std::shared_ptr<EntityTemplate> mergeBaseTemplates(Loading& loading, const std::string& prefix);
    /// Merges the base answered last, now loaded, unless it failed or derives from this one.
    void mergeBase(Loading& loading, const std::string& prefix);
    /// Whether base is this template or derives from it, directly or not.
    bool isBaseOf(const EntityTemplate& base) const;
    /// Lets go of the merged bases.
    void forgetBases();
    /// The steps after the bases: removals, components, caching, default values.
    void readOwnElement(const XmlElement& element, const std::string& prefix);
    void removeComponents(const XmlElement& element, const std::string& prefix);
    void readComponents(const XmlElement& element, const std::string& prefix);
    /// The record's parameters with the open ones filled; false when one could not be filled.
    bool makeParameters(const std::string& type, const ComponentRecord& record, const ParameterList& callerParams,
                        ParameterList& out) const;
    std::shared_ptr<Component> copyCached(const std::string& type, const ComponentRecord& record) const;
    /// The checks every instantiation starts with; false when the template is not usable, which
    /// standard error hears the first time.
    bool usable();

    Records records;
    ParameterList defaultValues;
    std::vector<std::weak_ptr<EntityTemplate>> mergedBases;   // cleared on unload
    unsigned inheritors = 0;   // merged bases of loaded templates that are this one: with none, nothing derives from it
    std::set<std::string> searchDirectories;
    bool toldUnusable = false;   // a game may ask every frame: the hint is given once
};

}
