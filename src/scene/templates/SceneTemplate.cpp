#include "scene/templates/SceneTemplate.h"

#include "core/LogFile.h"
#include "scene/Entity.h"
#include "scene/SceneManager.h"
#include "scene/templates/EntityTemplate.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/SceneTemplateManager.h"

#include <cmath>
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

void SceneTemplate::loadImpl()
{
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    const XmlElement element = findOwnElement(FACTORY_TYPE, prefix);
    if (!element)
        return;
    ParameterList attributes;
    XmlFile::readAttributes(element.node, attributes);
    attributes.get("inline", inlineTemplate);

    for (const pugi::xml_node& child : element.node.children(SCENE_NODE.c_str()))
        readNode(element, child);
    for (const pugi::xml_node& child : element.node.children(FACTORY_TYPE.c_str()))
        readInclude(element, child, prefix);
    XmlFileManager::log("Loaded " + FACTORY_TYPE + " " + getName() + ".", LogFile::ML_NORMAL);
}

void SceneTemplate::readNode(const XmlElement& element, const pugi::xml_node& node)
{
    const std::size_t index = nodes.size();
    nodes.emplace_back();
    {
        NodeDescription& description = nodes.back();
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
    unsigned children = 0;
    for (const pugi::xml_node& child : node.children(SCENE_NODE.c_str()))
    {
        readNode(element, child);
        ++children;
    }
    // Indexed anew: reading the children may have moved the list.
    nodes[index].childCount = children;
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

void SceneTemplate::readInclude(const XmlElement& element, const pugi::xml_node& include, const std::string& prefix)
{
    const std::string location = element.file->describeLocation(include);
    if (!include.attribute("name"))
    {
        XmlFileManager::log(prefix + getName() + location + ": name attribute missing from " + FACTORY_TYPE + ".");
        return;
    }
    SceneTemplateManager& manager = SceneTemplateManager::getSingleton();
    const std::shared_ptr<SceneTemplate> included = manager.loadTemplate(include.attribute("name").value(), "");
    if (!included)
        return;
    std::lock_guard<std::recursive_mutex> includedLock(included->mutex);
    included->load();
    if (included->wasLoadError())
    {
        manager.remove(included->getHandle());
        return;
    }
    if (included.get() == this || included->includedNames.count(getName()))
    {
        XmlFileManager::log(prefix + getName() + location + ": template included within itself.");
        return;
    }
    includedNames.insert(included->getName());
    includedNames.insert(included->includedNames.begin(), included->includedNames.end());
    IncludedTemplate record;
    record.scene = included;
    ParameterList attributes;
    XmlFile::readAttributes(include, attributes);
    attributes.get("pos", record.position);
    attributes.get("ori", record.orientation);
    attributes.get("scl", record.scale);
    includes.push_back(record);
}

void SceneTemplate::unloadImpl()
{
    nodes.clear();
    includes.clear();
    entityTemplates.clear();
    includedNames.clear();
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
    if (!isLoaded() || wasLoadError())
        return;
    // Entities are made by components that may run scripts, which may unload
    // this template: the build walks copies of what it reads.
    const std::vector<NodeDescription> descriptions = nodes;
    const std::map<std::uint32_t, std::shared_ptr<EntityTemplate>> templates = entityTemplates;
    const std::vector<IncludedTemplate> included = includes;

    const bool offset = !(pos == Vector2::ZERO && ori == Complex::IDENTITY && scl == Scale::IDENTITY);
    for (std::size_t index = 0; index < descriptions.size();)
    {
        const std::shared_ptr<SceneNode> node = buildNode(descriptions, templates, index, nullptr);
        if (offset)
        {
            // The node itself is moved, turned and scaled where it stands.
            node->translate(pos);
            node->rotate(ori);
            node->scale(scl);
        }
        built.push_back(node);
    }
    for (const IncludedTemplate& include : included)
    {
        include.scene->load();
        if (include.scene->wasLoadError())
            continue;
        std::lock_guard<std::recursive_mutex> includeLock(include.scene->mutex);
        include.scene->buildScene(include.position + pos, include.orientation * ori,
                                  Scale(include.scale.x * scl.x, include.scale.y * scl.y), built);
    }
}

std::shared_ptr<SceneNode> SceneTemplate::buildNode(const std::vector<NodeDescription>& descriptions,
                                                    const EntityTemplates& templates, std::size_t& index,
                                                    const std::shared_ptr<SceneNode>& parent)
{
    const NodeDescription& description = descriptions[index++];
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
    for (unsigned child = 0; child < description.childCount && index < descriptions.size(); ++child)
        buildNode(descriptions, templates, index, node);
    return node;
}

}
