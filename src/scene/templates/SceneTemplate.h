#pragma once
// A small scene graph read from a SceneTemplate element: a forest of nodes
// with transforms, inherit flags and entities made from entity templates,
// plus other scene templates included at an offset. Instantiating builds
// fresh nodes and entities and hangs the top-level ones into a scene or under
// a node; the template itself never changes by it.
//
// The forest is kept flat, in pre-order, each description followed by its
// subtree; a template keeps its entity templates and included templates
// loaded for as long as it is loaded. Reading, building and releasing walk
// nodes and includes with work lists, and included templates load in steps of
// the resource's load: nesting and include chains may be far deeper than the
// stack. An include is refused when it would close a cycle, so the includes
// always form a graph without cycles and building one ends.

#include "core/ParameterList.h"
#include "core/math/Complex.h"
#include "core/math/Scale.h"
#include "core/math/Vector2.h"
#include "core/resources/XmlElementResource.h"
#include "scene/SceneNode.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Tarnu
{

class EntityTemplate;
class SceneManager;

class SceneTemplate : public XmlElementResource
{
public:
    static inline const std::string FACTORY_TYPE = "SceneTemplate";

    struct NodeDescription
    {
        Vector2 position = Vector2::ZERO;
        Complex orientation = Complex::IDENTITY;
        Scale scale = Scale::IDENTITY;
        SceneNode::TransformSpace space = SceneNode::PARENT;
        bool inheritOrientation = true;
        bool inheritScale = true;
        std::uint32_t entityTemplate = 0;   // handle; 0 for a node without entity
        std::string entityName;
        ParameterList parameters;
        unsigned childCount = 0;
    };

    struct IncludedTemplate
    {
        std::shared_ptr<SceneTemplate> scene;
        Vector2 position = Vector2::ZERO;
        Complex orientation = Complex::IDENTITY;
        Scale scale = Scale::IDENTITY;
    };

    SceneTemplate(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~SceneTemplate() override;

    /// Adds the top-level nodes to the scene; answers the first, or empty when nothing was built.
    std::shared_ptr<SceneNode> createSceneInManager(const std::shared_ptr<SceneManager>& manager,
                                                    const Vector2& pos = Vector2::ZERO,
                                                    const Complex& ori = Complex::IDENTITY,
                                                    const Scale& scl = Scale::IDENTITY);
    /// Adds the top-level nodes under the node, their transforms local to it.
    std::shared_ptr<SceneNode> createSceneInNode(const std::shared_ptr<SceneNode>& parent,
                                                 const Vector2& pos = Vector2::ZERO,
                                                 const Complex& ori = Complex::IDENTITY,
                                                 const Scale& scl = Scale::IDENTITY);

protected:
    std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress) override;
    void unloadImpl() override;

private:
    using NodeList = std::vector<std::shared_ptr<SceneNode>>;
    using EntityTemplates = std::map<std::uint32_t, std::shared_ptr<EntityTemplate>>;
    struct Loading;

    /// A top-level SceneNode element and everything nested in it, in pre-order.
    void readNodes(const XmlElement& element, const pugi::xml_node& top);
    /// Appends the description of one node, without its children.
    void readNode(const XmlElement& element, const pugi::xml_node& node);
    void readEntity(const XmlElement& element, const pugi::xml_node& node, NodeDescription& description);
    /// The SceneTemplate children from where reading stopped; answers an included template to load before reading on.
    std::shared_ptr<SceneTemplate> readIncludes(Loading& loading, const std::string& prefix);
    /// Records the include answered last, now loaded, unless it failed or would close a cycle.
    void recordInclude(Loading& loading, const std::string& prefix);
    /// Whether target is this template or one it includes, directly or not.
    bool reaches(const SceneTemplate& target) const;

    /// The top-level nodes of one instantiation, built under the template's lock;
    /// the offset must be finite (operation names the caller in the refusal).
    NodeList buildTopLevel(const char* operation, const Vector2& pos, const Complex& ori, const Scale& scl);
    /// Builds this template's top-level nodes into nodes, then those of its includes, depth first.
    void buildScene(const Vector2& pos, const Complex& ori, const Scale& scl, NodeList& nodes);
    /// Builds this template's own top-level nodes into nodes and pushes its
    /// includes onto pending, the first on top, at their offsets.
    void buildOwnNodes(const Vector2& pos, const Complex& ori, const Scale& scl, NodeList& nodes,
                       std::vector<IncludedTemplate>& pending);
    /// Builds the description at index and its subtree; index ends past the subtree.
    static std::shared_ptr<SceneNode> buildNode(const std::vector<NodeDescription>& descriptions,
                                                const EntityTemplates& templates, std::size_t& index);
    /// One node of a description, under parent when there is one.
    static std::shared_ptr<SceneNode> buildOneNode(const NodeDescription& description, const EntityTemplates& templates,
                                                   const std::shared_ptr<SceneNode>& parent);

    EntityTemplates entityTemplates;
    std::vector<IncludedTemplate> includes;
    std::vector<NodeDescription> nodes;
    unsigned includers = 0;   // include records of loaded templates that hold this one: with none, nothing includes it
    bool inlineTemplate = false;
};

}
