#include "render/animation/AnimationSequence.h"

#include "core/EngineWarning.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "render/animation/AnimationSequenceManager.h"

namespace Tarnu
{

AnimationSequence::AnimationSequence(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader)
    : XmlElementResource(name, handle, loader)
{
}

AnimationSequence::~AnimationSequence()
{
    unload();
}

void AnimationSequence::loadImpl()
{
    const std::string prefix = "Error: Loading " + FACTORY_TYPE + " ";
    const std::string failed = prefix + getName();
    const XmlElement element = findOwnElement(FACTORY_TYPE, prefix);
    if (!element)
        return;
    ParameterList attributes;
    XmlFile::readAttributes(element.node, attributes);
    std::string type;
    attributes.get("type", type);

    const AnimationSequenceManager* manager = AnimationSequenceManager::getSingletonPtr();
    const Data* prototype = manager ? manager->findSequenceType(type) : nullptr;
    if (!prototype)
    {
        XmlFileManager::log(failed + ": unregistered sequence type: " + type + ".");
        loadError = true;
        return;
    }
    data = prototype->createNew();
    if (!data)
    {
        XmlFileManager::log(failed + ": sequence type createNew function returned null: " + type + ".");
        loadError = true;
        return;
    }
    if (!data->load(element.node, element.file))
    {
        // Its own message is in the log already, without the sequence's name; a half-read sequence is
        // never used.
        printEngineHint(FACTORY_TYPE + " " + getName() + " is left out, for the reason above: a sprite that names "
                        "it has no such animation (\"Animation not found.\").");
        data.reset();
        loadError = true;
        return;
    }
    XmlFileManager::log("Loaded " + FACTORY_TYPE + " " + getName() + ".", LogFile::ML_NORMAL);
}

void AnimationSequence::unloadImpl()
{
    data.reset();
}

}
