#pragma once
// One sprite animation read from an AnimationSequence element of the data
// files: the quad every frame is drawn on and the frames, each a rectangle of a
// texture and a length in animation frames. The element's "type" picks the kind
// of data, each kind a prototype registered with the sequence manager. A
// sequence loads the first time an animatable asks for it and is shared by all
// that name it. One that fails to load ends LOADED with its load-error flag set
// and without data, so nothing ever reads half-read frames.

#include "core/math/OrientedBox.h"
#include "core/resources/XmlElementResource.h"

#include <pugixml.hpp>

#include <cstdint>
#include <memory>
#include <string>

namespace Tarnu
{

struct AnimationFrame
{
    /// In texture coordinates, 0 to 1 on each axis.
    AxisAlignedBox textureBox;
    std::string textureName;
    /// In animation frames; the animatable turns it into seconds with its fps.
    std::uint32_t length = 0;
};

class AnimationSequence : public XmlElementResource
{
public:
    static inline const std::string FACTORY_TYPE = "AnimationSequence";

    /// A kind of sequence data; the registered prototypes make the empty objects that loading fills.
    class Data
    {
    public:
        virtual ~Data() = default;
        /// The rectangle, in the owner's local space, that every frame is drawn on.
        virtual const OrientedBox& getQuad() const = 0;
        virtual std::uint32_t getFrameCount() const = 0;
        /// Raises std::out_of_range for an index at or beyond the frame count.
        virtual AnimationFrame getFrame(std::uint32_t index) const = 0;
        virtual std::unique_ptr<Data> createNew() const = 0;
        /// Fills the object from the element; false after logging why it cannot.
        virtual bool load(const pugi::xml_node& element, const std::shared_ptr<XmlFile>& file) = 0;
    };

    AnimationSequence(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader);
    ~AnimationSequence() override;

    /// Null until loaded, after a failed load and after unloading.
    const Data* getData() const { return data.get(); }

protected:
    void loadImpl() override;
    void unloadImpl() override;

private:
    std::unique_ptr<Data> data;
};

}
