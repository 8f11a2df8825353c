#include "render/animation/AnimationSequenceManager.h"

namespace Tarnu
{

void AnimationSequenceManager::registerSequenceType(const std::string& typeName,
                                                    const AnimationSequence::Data& prototype)
{
    std::unique_ptr<AnimationSequence::Data> kept = prototype.createNew();
    if (kept)
        sequenceTypes[typeName] = std::move(kept);
}

const AnimationSequence::Data* AnimationSequenceManager::findSequenceType(const std::string& typeName) const
{
    auto found = sequenceTypes.find(typeName);
    return found == sequenceTypes.end() ? nullptr : found->second.get();
}

}
