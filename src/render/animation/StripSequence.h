#pragma once
// The sequence kind "StripSequence": frames cut from one image as horizontal
// bands of equal height. Band i covers the texture coordinates v from i / n to
// (i + 1) / n over the full width, n being the "stripSize"; band 0 is the
// image's bottom band. Frames keep document order and may repeat or skip bands,
// but each must name a band of the strip and last at least one frame.

#include "render/animation/AnimationSequence.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnu
{

class StripSequence : public AnimationSequence::Data
{
public:
    static inline const std::string FACTORY_TYPE = "StripSequence";

    const OrientedBox& getQuad() const override { return quad; }
    std::uint32_t getFrameCount() const override { return static_cast<std::uint32_t>(frames.size()); }
    AnimationFrame getFrame(std::uint32_t index) const override;
    std::unique_ptr<AnimationSequence::Data> createNew() const override;
    /// Reads "stripSize", "quad", "filename" (found through the file's search
    /// directories) and the Frame children with their "index" and "length".
    bool load(const pugi::xml_node& element, const std::shared_ptr<XmlFile>& file) override;

private:
    struct Entry
    {
        std::uint32_t index;
        std::uint32_t length;
    };

    OrientedBox quad;
    double step = 0.0;
    std::vector<Entry> frames;
    std::string filename;
};

}
