#include "scene/templates/EntityTemplate.h"

#include "core/EngineWarning.h"
#include "core/GraphReach.h"
#include "core/PythonManager.h"
#include "scene/Component.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"
#include "scene/templates/EntityTemplateManager.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace Tarnu
{

namespace
{

const std::string BASE_TEMPLATE = "BaseTemplate";
const std::string REM_COMPONENT = "RemComponent";
const std::string COMPONENT = "Component";

/// The child's attribute into value when it is there and not among taken (the values earlier siblings
/// of the same tag claimed); otherwise logs why (where = message prefix, template name and location)
/// and answers false. The caller decides when a value counts as taken.
bool readUniqueAttribute(const pugi::xml_node& child, const std::string& attribute, const std::string& tag,
                         const std::set<std::string>& taken, const std::string& where, std::string& value)
{
    const pugi::xml_attribute found = child.attribute(attribute.c_str());
    if (!found)
    {
        XmlFileManager::log(where + ": " + attribute + " attribute missing from " + tag + ".");
        return false;
    }
    value = found.value();
    if (!taken.count(value))
        return true;
    XmlFileManager::log(where + ": duplicate " + attribute + " attribute " + value + " of " + tag + ".");
    return false;
}

}

EntityTemplate::EntityTemplate(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : XmlElementResource(name, handle, loader)
{
}

EntityTemplate::~EntityTemplate()
{
    unload();
}

EntityTemplate::ComponentRecord* EntityTemplate::findRecord(const std::string& type)
{
    auto found = std::find_if(records.begin(), records.end(), [&](const auto& record) { return record.first == type; });
    return found == records.end() ? nullptr : found->second.get();
}

/// Where the BaseTemplate children are read up to while a base loads.
struct EntityTemplate::Loading : LoadProgress
{
    XmlElement element;                         // its file locked to the end of the load
    pugi::xml_node nextBase;                    // the next BaseTemplate child to read
    std::set<std::string> merged;               // the names of the bases merged so far
    std::shared_ptr<EntityTemplate> base;       // answered to load(), merged at the next step
    std::unique_lock<std::recursive_mutex> baseLock;
    std::string baseName, location;             // how and where the child named it
};

std::shared_ptr<Resource> EntityTemplate::loadStep(std::unique_ptr<LoadProgress>& progress)
{
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    if (!progress)
    {
        XmlElement element = findOwnElement(FACTORY_TYPE, prefix);
        if (!element)
            return nullptr;
        auto loading = std::make_unique<Loading>();
        loading->nextBase = element.node.child(BASE_TEMPLATE.c_str());
        loading->element = std::move(element);
        progress = std::move(loading);
    }
    Loading& loading = static_cast<Loading&>(*progress);
    if (std::shared_ptr<EntityTemplate> base = mergeBaseTemplates(loading, prefix))
        return base;
    readOwnElement(loading.element, prefix);
    return nullptr;
}

void EntityTemplate::readOwnElement(const XmlElement& element, const std::string& prefix)
{
    removeComponents(element, prefix);
    readComponents(element, prefix);

    // The data file's own directories resolve file-name VarParams when an entity is made.
    const std::vector<std::string>& directories = element.file->getSearchDirectories();
    searchDirectories.insert(directories.begin(), directories.end());

    for (auto& [type, record] : records)
        if (record->cacheMode != NO_CACHE && record->varParams.empty())
            record->cached = instantiateComponent(type, record->params);

    element.file->readParameterList(element.node, "DefaultValue", defaultValues, prefix + getName());
    XmlFileManager::log("Loaded " + FACTORY_TYPE + " " + getName() + ".", LogFile::ML_NORMAL);
}

std::shared_ptr<EntityTemplate> EntityTemplate::mergeBaseTemplates(Loading& loading, const std::string& prefix)
{
    if (loading.base)
        mergeBase(loading, prefix);
    EntityTemplateManager& manager = EntityTemplateManager::getSingleton();
    while (const pugi::xml_node child = loading.nextBase)
    {
        loading.nextBase = child.next_sibling(BASE_TEMPLATE.c_str());
        const std::string location = loading.element.file->describeLocation(child);
        std::string baseName;
        if (!readUniqueAttribute(child, "name", BASE_TEMPLATE, loading.merged, prefix + getName() + location, baseName))
            continue;
        std::shared_ptr<EntityTemplate> base = manager.loadTemplate(baseName, "");
        if (!base)
            continue;
        // A base that is still loading (it names this one as its base) contributes what it holds so far.
        loading.baseLock = std::unique_lock<std::recursive_mutex>(base->mutex);
        loading.base = base;
        loading.baseName = baseName;
        loading.location = location;
        return base;
    }
    return nullptr;
}

void EntityTemplate::mergeBase(Loading& loading, const std::string& prefix)
{
    const std::shared_ptr<EntityTemplate> base = std::move(loading.base);
    const std::unique_lock<std::recursive_mutex> baseLock = std::move(loading.baseLock);
    if (base->wasLoadError())
    {
        EntityTemplateManager::getSingleton().remove(base->getHandle());
        return;
    }
    if (isBaseOf(*base))
    {
        XmlFileManager::log(prefix + getName() + loading.location + ": template defined as base template of itself.");
        return;
    }
    // Only a merged base makes a later naming of it a duplicate: one that failed may be tried again.
    loading.merged.insert(loading.baseName);
    for (const auto& [type, baseRecord] : base->records)
    {
        ComponentRecord* own = findRecord(type);
        if (!own)
        {
            records.emplace_back(type, std::make_shared<ComponentRecord>(*baseRecord));
            continue;
        }
        own->params = baseRecord->params;
        own->varParams = baseRecord->varParams;
        if (baseRecord->cacheMode != CACHE_DEFAULT)
            own->cacheMode = baseRecord->cacheMode;
    }
    mergedBases.push_back(base);
    ++base->inheritors;
    searchDirectories.insert(base->searchDirectories.begin(), base->searchDirectories.end());
    defaultValues = base->defaultValues;
}

bool EntityTemplate::isBaseOf(const EntityTemplate& base) const
{
    if (&base != this && inheritors == 0)
        return false;
    return reaches(base, *this, [](const EntityTemplate& from, const auto& visit) {
        for (const std::weak_ptr<EntityTemplate>& merged : from.mergedBases)
            if (const std::shared_ptr<EntityTemplate> next = merged.lock())
                visit(*next);
    });
}

void EntityTemplate::forgetBases()
{
    for (const std::weak_ptr<EntityTemplate>& merged : mergedBases)
        if (const std::shared_ptr<EntityTemplate> base = merged.lock())
            --base->inheritors;
    mergedBases.clear();
}

void EntityTemplate::removeComponents(const XmlElement& element, const std::string& prefix)
{
    std::set<std::string> removed;
    for (const pugi::xml_node& child : element.node.children(REM_COMPONENT.c_str()))
    {
        const std::string location = element.file->describeLocation(child);
        std::string type;
        if (!readUniqueAttribute(child, "type", REM_COMPONENT, removed, prefix + getName() + location, type))
            continue;
        removed.insert(type);
        if (!findRecord(type))
            XmlFileManager::log("Warning: Loading " + FACTORY_TYPE + " " + getName() + location + ": removing component " +
                                type + " when component was not inherited from base templates.");
        else
            records.erase(std::find_if(records.begin(), records.end(),
                                       [&](const auto& record) { return record.first == type; }));
    }
}

void EntityTemplate::readComponents(const XmlElement& element, const std::string& prefix)
{
    const ComponentFactory* factory = ComponentFactory::getSingletonPtr();
    std::set<std::string> read;
    bool any = false;
    for (const pugi::xml_node& child : element.node.children(COMPONENT.c_str()))
    {
        any = true;
        const std::string location = element.file->describeLocation(child);
        std::string type;
        if (!readUniqueAttribute(child, "type", COMPONENT, read, prefix + getName() + location, type))
            continue;
        read.insert(type);
        const std::shared_ptr<Component> prototype = factory ? factory->getRegistered(type) : nullptr;
        if (!prototype)
        {
            XmlFileManager::log(prefix + getName() + location + ": component " + type +
                                    " is not registered with factory.",
                                LogFile::ML_CRITICAL,
                                "(A component written in Python is registered with ComponentFactory.getSingleton()"
                                ".registerType(prototype) before its template loads.)");
            continue;
        }
        ComponentRecord* record = findRecord(type);
        if (!record)
            record = records.emplace_back(type, std::make_shared<ComponentRecord>()).second.get();
        ParameterList params, varParams;
        element.file->readParameterLists(child, params, varParams, prefix + getName());
        if (const pugi::xml_attribute cache = child.attribute("cache"))
        {
            const std::string value = cache.value();
            record->cacheMode = value == "true" || value == "1" ? CACHE : NO_CACHE;
        }
        ParameterList resolved;
        for (const auto& [parameter, value] : params)
        {
            std::string file = value;
            if (prototype->paramIsAFilename(parameter))
            {
                try
                {
                    file = XmlFile::findFileInDirectories(element.file->getSearchDirectories(), value);
                }
                catch (const std::exception&)
                {
                    XmlFileManager::log("Error: unable to resolve filename from Param " + parameter + " of component " +
                                        type + " when trying to load entity template " + getName() + ".");
                }
            }
            resolved.add(parameter, file);
        }
        record->params = resolved;
        record->varParams = varParams;
    }
    if (!any)
        XmlFileManager::log("Warning: Loading " + FACTORY_TYPE + " " + getName() +
                            element.file->describeLocation(element.node) + ": no components were found.");
}

void EntityTemplate::unloadImpl()
{
    records.clear();
    defaultValues.clear();
    forgetBases();
    searchDirectories.clear();
}

bool EntityTemplate::usable()
{
    if (!isLoaded() || wasLoadError())
    {
        if (!std::exchange(toldUnusable, true))
            printEngineHint(FACTORY_TYPE + " " + getName() + " makes nothing (None): " +
                            (isLoaded() ? "it failed to load, as XmlSystemLogFile.txt and the errors above say."
                                        : "it is not loaded; call its load() first."));
        return false;
    }
    if (!XmlFileManager::logExists())
        throw std::runtime_error("creating entity after XmlFileManager shut down.");
    return true;
}

bool EntityTemplate::makeParameters(const std::string& type, const ComponentRecord& record,
                                    const ParameterList& callerParams, ParameterList& out) const
{
    const ComponentFactory* factory = ComponentFactory::getSingletonPtr();
    const std::shared_ptr<Component> prototype = factory ? factory->getRegistered(type) : nullptr;
    const std::string prefix = "Error, Creating " + FACTORY_TYPE + " " + getName() + ": unable to resolve ";
    out = record.params;
    bool complete = true;
    for (const auto& [parameter, entry] : record.varParams)
    {
        const ParameterList& source = callerParams.contains(entry) ? callerParams : defaultValues;
        if (!source.contains(entry))
        {
            XmlFileManager::log(prefix + "VarParam " + entry + " for parameter " + parameter + " of component " + type +
                                ".");
            out.remove(parameter);
            complete = false;
            continue;
        }
        std::string value = source.get(entry);
        if (prototype && prototype->paramIsAFilename(parameter))
        {
            try
            {
                value = XmlFile::findFileInDirectories(searchDirectories, value);
            }
            catch (const std::exception&)
            {
                XmlFileManager::log(prefix + "filename from VarParam " + entry + " for parameter " + parameter +
                                    " of component " + type + ".");
                out.remove(parameter);
                complete = false;
                continue;
            }
        }
        out.add(parameter, value);
    }
    return complete;
}

std::shared_ptr<Component> EntityTemplate::copyCached(const std::string& type, const ComponentRecord& record) const
{
    try
    {
        return record.cached->createCopy();
    }
    catch (const std::exception& error)
    {
        PythonManager::discardPendingError();
        XmlFileManager::log("Error, Creating " + FACTORY_TYPE + " " + getName() + ": cannot instantiate component " +
                            type + ": " + error.what());
    }
    catch (...)
    {
        PythonManager::discardPendingError();
        XmlFileManager::log("Error, Creating " + FACTORY_TYPE + " " + getName() + ": cannot instantiate component " +
                            type + ".");
    }
    return nullptr;
}

std::shared_ptr<Entity> EntityTemplate::createEntity(const ParameterList& params, const std::string& entityName)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (!usable())
        return nullptr;
    const std::shared_ptr<Entity> entity = Entity::createNew(entityName);
    std::vector<std::shared_ptr<Component>> components;
    // A snapshot: a component's copy or factory may be Python code that reloads this template.
    const Records snapshot = records;
    for (const auto& [type, recordPointer] : snapshot)
    {
        const ComponentRecord& record = *recordPointer;
        std::shared_ptr<Component> component;
        if (record.cached)
            component = copyCached(type, record);
        else
        {
            ParameterList built;
            makeParameters(type, record, params, built);
            component = instantiateComponent(type, built);
        }
        if (component)
            components.push_back(component);
    }
    entity->addComponents(components);
    return entity;
}

std::shared_ptr<Component> EntityTemplate::createComponent(const std::string& type, const ParameterList& params)
{
    std::lock_guard<std::recursive_mutex> guard(mutex);
    if (!usable())
        return nullptr;
    std::shared_ptr<const ComponentRecord> record;
    for (const auto& [recordType, recordPointer] : records)
        if (recordType == type)
            record = recordPointer;
    if (!record)
        return nullptr;
    if (record->cached)
        return copyCached(type, *record);
    ParameterList built;
    if (!makeParameters(type, *record, params, built))
        return nullptr;
    return instantiateComponent(type, built);
}

std::shared_ptr<Component> EntityTemplate::instantiateComponent(const std::string& type,
                                                                const ParameterList& params) const
{
    try
    {
        const ComponentFactory* factory = ComponentFactory::getSingletonPtr();
        if (!factory)
            throw std::runtime_error("no component factory.");
        return factory->create(type, params);
    }
    catch (const std::exception& error)
    {
        PythonManager::discardPendingError();
        XmlFileManager::log("Error instantiating component " + type +
                            " from factory when trying to load entity template " + getName() + ": " + error.what());
    }
    catch (...)
    {
        PythonManager::discardPendingError();
        XmlFileManager::log("Unknown error instantiating component " + type +
                            " from factory when trying to load entity template " + getName() + ".");
    }
    return nullptr;
}

}
