#pragma once
// The singleton manager of animation sequences and the registry of sequence
// kinds. It is created after the XmlFileManager, which it asks to index
// "AnimationSequence" elements; the engine registers the kind "StripSequence".

#include "core/resources/XmlElementResource.h"
#include "render/animation/AnimationSequence.h"

#include <memory>
#include <string>
#include <unordered_map>

namespace Tarnu
{

class AnimationSequenceManager : public XmlElementResourceManager<AnimationSequenceManager, AnimationSequence>
{
public:
    AnimationSequenceManager() : XmlElementResourceManager(AnimationSequence::FACTORY_TYPE) {}

    /// Keeps an empty object made by the prototype (the caller keeps its own), in place
    /// of any kind of that name; a prototype that makes nothing changes nothing.
    void registerSequenceType(const std::string& typeName, const AnimationSequence::Data& prototype);
    /// The registered prototype, or null.
    const AnimationSequence::Data* findSequenceType(const std::string& typeName) const;

    /// The sequence of that name, made unloaded when there is none; a non-empty
    /// file becomes the file to look in first. Loads nothing.
    std::shared_ptr<AnimationSequence> getSequence(const std::string& name, const std::string& xmlFile = "")
    {
        return loadElement(name, xmlFile);
    }

private:
    std::unordered_map<std::string, std::unique_ptr<AnimationSequence::Data>> sequenceTypes;
};

}
