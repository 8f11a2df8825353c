#include "scene/templates/SceneTemplate.h"

#include "core/GraphReach.h"
#include "core/LogFile.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/templates/EntityTemplate.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/SceneTemplateManager.h"

#include <cmath>
#include <iterator>
#include <stdexcept>

namespace Tarnu
{

namespace
{

const std::string SCENE_NODE = "SceneNode";
const std::string ENTITY_TEMPLATE = "EntityTemplate";

void requireFinite(const char* operation, const char* parameter, double a, double b)
{
    if (!std::isfinite(a) || !std::isfinite(b))
        throw std::invalid_argument(std::string(operation) + ": parameter " + parameter + " is not a finite value.");
}

}

SceneTemplate::SceneTemplate(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : XmlElementResource(name, handle, loader)
{
}

SceneTemplate::~SceneTemplate()
{
    unload();
}

/// Where the SceneTemplate children are read up to while an included template loads.
struct SceneTemplate::Loading : LoadProgress
{
    XmlElement element;                          // its file locked to the end of the load
    pugi::xml_node nextInclude;                  // the next SceneTemplate child to read
    pugi::xml_node include;                      // the child whose template was answered to load()
    std::shared_ptr<SceneTemplate> included;     // recorded at the next step
    std::unique_lock<std::recursive_mutex> includedLock;
};

std::shared_ptr<Resource> SceneTemplate::loadStep(std::unique_ptr<LoadProgress>& progress)
{
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    if (!progress)
    {
        XmlElement element = findOwnElement(FACTORY_TYPE, prefix);
        if (!element)
            return nullptr;
        ParameterList attributes;
        XmlFile::readAttributes(element.node, attributes);
        attributes.get("inline", inlineTemplate);
        for (const pugi::xml_node& child : element.node.children(SCENE_NODE.c_str()))
            readNodes(element, child);
        auto loading = std::make_unique<Loading>();
        loading->nextInclude = element.node.child(FACTORY_TYPE.c_str());
        loading->element = std::move(element);
        progress = std::move(loading);
    }
    if (std::shared_ptr<SceneTemplate> included = readIncludes(static_cast<Loading&>(*progress), prefix))
        return included;
    XmlFileManager::log("Loaded " + FACTORY_TYPE + " " + getName() + ".", LogFile::ML_NORMAL);
    return nullptr;
}

void SceneTemplate::readNodes(const XmlElement& element, const pugi::xml_node& top)
{
    // The nodes whose children are being read: a description's index and its next SceneNode child.
    std::vector<std::pair<std::size_t, pugi::xml_node>> open;
    readNode(element, top);
    open.emplace_back(nodes.size() - 1, top.child(SCENE_NODE.c_str()));
    while (!open.empty())
    {
        const pugi::xml_node child = open.back().second;
        if (!child)
        {
            open.pop_back();
            continue;
        }
        open.back().second = child.next_sibling(SCENE_NODE.c_str());
        ++nodes[open.back().first].childCount;
        readNode(element, child);
        open.emplace_back(nodes.size() - 1, child.child(SCENE_NODE.c_str()));
    }
}

void SceneTemplate::readNode(const XmlElement& element, const pugi::xml_node& node)
{
    NodeDescription& description = nodes.emplace_back();
    ParameterList attributes;
    XmlFile::readAttributes(node, attributes);
    attributes.get("pos", description.position);
    attributes.get("ori", description.orientation);
    attributes.get("scl", description.scale);
    attributes.get("inheritOri", description.inheritOrientation);
    attributes.get("inheritScl", description.inheritScale);
    attributes.get("space", description.space);
    // A zero orientation has no direction to keep: it stays the identity rather than turning into NaN.
    Complex& orientation = description.orientation;
    if (orientation.r == 0.0 && orientation.i == 0.0)
        orientation = Complex::IDENTITY;
    else
        orientation.normalize();
    readEntity(element, node, description);
}

void SceneTemplate::readEntity(const XmlElement& element, const pugi::xml_node& node, NodeDescription& description)
{
    const pugi::xml_node entity = node.child(ENTITY_TEMPLATE.c_str());
    if (!entity)
        return;
    // The entity's messages, like those of its Params, carry the prefix without the template's name.
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    if (!entity.attribute("template"))
    {
        XmlFileManager::log(prefix + element.file->describeLocation(entity) + ": template attribute missing from " +
                            ENTITY_TEMPLATE + ".");
        return;
    }
    EntityTemplateManager& manager = EntityTemplateManager::getSingleton();
    const std::shared_ptr<EntityTemplate> entityTemplate = manager.loadTemplate(entity.attribute("template").value(), "");
    if (entityTemplate)
    {
        const std::uint32_t handle = entityTemplate->getHandle();
        if (!entityTemplates.count(handle))
        {
            entityTemplate->load();
            if (entityTemplate->wasLoadError())
                manager.remove(handle);
            else
                entityTemplates.emplace(handle, entityTemplate);
        }
        if (entityTemplates.count(handle))
            description.entityTemplate = handle;
    }
    description.entityName = entity.attribute("name").value();
    element.file->readParameterList(entity, "Param", description.parameters, prefix);
}

std::shared_ptr<SceneTemplate> SceneTemplate::readIncludes(Loading& loading, const std::string& prefix)
{
    if (loading.included)
        recordInclude(loading, prefix);
    SceneTemplateManager& manager = SceneTemplateManager::getSingleton();
    while (const pugi::xml_node include = loading.nextInclude)
    {
        loading.nextInclude = include.next_sibling(FACTORY_TYPE.c_str());
        if (!include.attribute("name"))
        {
            XmlFileManager::log(prefix + getName() + loading.element.file->describeLocation(include) +
                                ": name attribute missing from " + FACTORY_TYPE + ".");
            continue;
        }
        std::shared_ptr<SceneTemplate> included = manager.loadTemplate(include.attribute("name").value(), "");
        if (!included)
            continue;
        // A template still loading (it includes this one) is taken as it stands; the cycle check refuses it.
        loading.includedLock = std::unique_lock<std::recursive_mutex>(included->mutex);
        loading.included = included;
        loading.include = include;
        return included;
    }
    return nullptr;
}

void SceneTemplate::recordInclude(Loading& loading, const std::string& prefix)
{
    const std::shared_ptr<SceneTemplate> included = std::move(loading.included);
    const std::unique_lock<std::recursive_mutex> includedLock = std::move(loading.includedLock);
    if (included->wasLoadError())
    {
        SceneTemplateManager::getSingleton().remove(included->getHandle());
        return;
    }
    if (included->reaches(*this))
    {
        XmlFileManager::log(prefix + getName() + loading.element.file->describeLocation(loading.include) +
                            ": template included within itself.");
        return;
    }
    IncludedTemplate record;
    record.scene = included;
    ParameterList attributes;
    XmlFile::readAttributes(loading.include, attributes);
    attributes.get("pos", record.position);
    attributes.get("ori", record.orientation);
    attributes.get("scl", record.scale);
    includes.push_back(record);
    ++included->includers;
}

bool SceneTemplate::reaches(const SceneTemplate& target) const
{
    if (&target != this && target.includers == 0)
        return false;
    return Tarnu::reaches(*this, target, [](const SceneTemplate& from, const auto& visit) {
        for (const IncludedTemplate& include : from.includes)
            visit(*include.scene);
    });
}

void SceneTemplate::unloadImpl()
{
    nodes.clear();
    entityTemplates.clear();
    // An included template that only this one holds goes with it, and so on
    // down a chain: its includes join the work list before it is destroyed.
    std::vector<IncludedTemplate> released = std::move(includes);
    includes.clear();
    while (!released.empty())
    {
        const std::shared_ptr<SceneTemplate> included = std::move(released.back().scene);
        released.pop_back();
        --included->includers;
        if (included.use_count() == 1)
        {
            std::move(included->includes.begin(), included->includes.end(), std::back_inserter(released));
            included->includes.clear();
        }
    }
}

std::shared_ptr<SceneNode> SceneTemplate::createSceneInManager(const std::shared_ptr<SceneManager>& manager,
                                                               const Vector2& pos, const Complex& ori,
                                                               const Scale& scl)
{
    if (!manager)
        return nullptr;
    const NodeList built = buildTopLevel("createSceneInManager", pos, ori, scl);
    for (const std::shared_ptr<SceneNode>& node : built)
        manager->addNode(node);
    return built.empty() ? nullptr : built.front();
}

std::shared_ptr<SceneNode> SceneTemplate::createSceneInNode(const std::shared_ptr<SceneNode>& parent,
                                                            const Vector2& pos, const Complex& ori, const Scale& scl)
{
    if (!parent)
        return nullptr;
    const NodeList built = buildTopLevel("createSceneInNode", pos, ori, scl);
    for (const std::shared_ptr<SceneNode>& node : built)
        parent->addChild(node, false);
    return built.empty() ? nullptr : built.front();
}

SceneTemplate::NodeList SceneTemplate::buildTopLevel(const char* operation, const Vector2& pos, const Complex& ori,
                                                     const Scale& scl)
{
    requireFinite(operation, "pos", pos.x, pos.y);
    requireFinite(operation, "ori", ori.r, ori.i);
    requireFinite(operation, "scl", scl.x, scl.y);
    NodeList built;
    std::lock_guard<std::recursive_mutex> guard(mutex);
    buildScene(pos, ori, scl, built);
    return built;
}

void SceneTemplate::buildScene(const Vector2& pos, const Complex& ori, const Scale& scl, NodeList& built)
{
    // The included templates still to build at their offsets, the next on top.
    std::vector<IncludedTemplate> pending;
    buildOwnNodes(pos, ori, scl, built, pending);
    while (!pending.empty())
    {
        const IncludedTemplate next = std::move(pending.back());
        pending.pop_back();
        next.scene->load();
        if (next.scene->wasLoadError())
            continue;
        std::lock_guard<std::recursive_mutex> includeLock(next.scene->mutex);
        next.scene->buildOwnNodes(next.position, next.orientation, next.scale, built, pending);
    }
}

void SceneTemplate::buildOwnNodes(const Vector2& pos, const Complex& ori, const Scale& scl, NodeList& built,
                                  std::vector<IncludedTemplate>& pending)
{
    if (!isLoaded() || wasLoadError())
        return;
    // Entities are made by components that may run scripts, which may unload
    // this template: the build walks copies of what it reads.
    const std::vector<NodeDescription> descriptions = nodes;
    const EntityTemplates templates = entityTemplates;
    const std::vector<IncludedTemplate> included = includes;

    const bool offset = !(pos == Vector2::ZERO && ori == Complex::IDENTITY && scl == Scale::IDENTITY);
    for (std::size_t index = 0; index < descriptions.size();)
    {
        const std::shared_ptr<SceneNode> node = buildNode(descriptions, templates, index);
        if (offset)
        {
            // The node itself is moved, turned and scaled where it stands.
            node->translate(pos);
            node->rotate(ori);
            node->scale(scl);
        }
        built.push_back(node);
    }
    for (auto include = included.rbegin(); include != included.rend(); ++include)
        pending.push_back(IncludedTemplate{include->scene, include->position + pos, include->orientation * ori,
                                           Scale(include->scale.x * scl.x, include->scale.y * scl.y)});
}

std::shared_ptr<SceneNode> SceneTemplate::buildNode(const std::vector<NodeDescription>& descriptions,
                                                    const EntityTemplates& templates, std::size_t& index)
{
    const std::shared_ptr<SceneNode> top = buildOneNode(descriptions[index], templates, nullptr);
    // The nodes whose children are being built, with the number of children still to build.
    std::vector<std::pair<std::shared_ptr<SceneNode>, unsigned>> open{{top, descriptions[index].childCount}};
    ++index;
    while (!open.empty())
    {
        if (open.back().second == 0 || index >= descriptions.size())
        {
            open.pop_back();
            continue;
        }
        --open.back().second;
        const NodeDescription& description = descriptions[index++];
        std::shared_ptr<SceneNode> node = buildOneNode(description, templates, open.back().first);
        open.emplace_back(std::move(node), description.childCount);
    }
    return top;
}

std::shared_ptr<SceneNode> SceneTemplate::buildOneNode(const NodeDescription& description,
                                                       const EntityTemplates& templates,
                                                       const std::shared_ptr<SceneNode>& parent)
{
    std::shared_ptr<SceneNode> node;
    if (!parent)
        node = SceneNode::createNew(description.position, description.orientation, description.scale);
    else
    {
        node = SceneNode::createNew();
        parent->addChild(node, false);
        node->setPosition(description.position, description.space);
        node->setOrientation(description.orientation, description.space);
        node->setScale(description.scale, description.space);
    }
    node->setInheritOrientation(description.inheritOrientation);
    node->setInheritScale(description.inheritScale);

    auto entityTemplate = templates.find(description.entityTemplate);
    if (description.entityTemplate != 0 && entityTemplate != templates.end())
    {
        try
        {
            if (const std::shared_ptr<Entity> entity =
                    entityTemplate->second->createEntity(description.parameters, description.entityName))
                node->attach(entity);
        }
        catch (...)
        {
            XmlFileManager::log("Error creating entity for scene.");
        }
    }
    return node;
}

}
