#include "render/animation/StripSequence.h"

#include "core/LogFile.h"
#include "core/ParameterList.h"
#include "core/resources/XmlFile.h"
#include "core/resources/XmlFileManager.h"

namespace Tarnu
{

namespace
{

const std::string FRAME = "Frame";

bool fail(const std::string& message)
{
    XmlFileManager::log(message);
    return false;
}

}

AnimationFrame StripSequence::getFrame(std::uint32_t index) const
{
    const Entry& entry = frames.at(index);
    AnimationFrame frame;
    frame.textureBox = AxisAlignedBox(Vector2(0.0, entry.index * step), Vector2(1.0, (entry.index + 1.0) * step));
    frame.textureName = filename;
    frame.length = entry.length;
    return frame;
}

std::unique_ptr<AnimationSequence::Data> StripSequence::createNew() const
{
    return std::make_unique<StripSequence>();
}

bool StripSequence::load(const pugi::xml_node& element, const std::shared_ptr<XmlFile>& file)
{
    const std::string in = " in " + FACTORY_TYPE + ".";
    ParameterList attributes;
    XmlFile::readAttributes(element, attributes);

    std::int32_t stripSize = 0;
    if (attributes.get("stripSize", stripSize) != ParameterList::SUCCESS)
        return fail("no stripSize attribute" + in);
    // Every band must lie inside the image: a strip of no bands has none.
    if (stripSize <= 0)
        return fail("invalid stripSize " + std::to_string(stripSize) + in);
    step = 1.0 / stripSize;

    AxisAlignedBox dimensions;
    if (attributes.get("quad", dimensions) != ParameterList::SUCCESS)
        return fail("no quad attribute" + in);
    dimensions.setExtent(AxisAlignedBox::EX_FINITE);
    quad = OrientedBox(dimensions);

    if (attributes.get("filename", filename) != ParameterList::SUCCESS)
        return fail("no filename attribute" + in);
    try
    {
        filename = XmlFile::findFileInDirectories(file->getSearchDirectories(), filename);
    }
    catch (const std::exception&)
    {
        return fail("invalid filename " + filename + " for " + FACTORY_TYPE + ".");
    }

    if (!element.child(FRAME.c_str()))
        return fail("no frame elements" + in);
    for (const pugi::xml_node& child : element.children(FRAME.c_str()))
    {
        ParameterList frame;
        XmlFile::readAttributes(child, frame);
        std::int32_t index = 0, length = 0;
        if (frame.get("index", index) != ParameterList::SUCCESS)
            return fail("no index attribute" + in);
        if (frame.get("length", length) != ParameterList::SUCCESS)
            return fail("no length attribute" + in);
        // A band outside the image would draw whatever the texture's edge repeats, and a frame
        // of no length would never be shown.
        if (index < 0 || index >= stripSize)
            return fail("frame index " + std::to_string(index) + " outside the " + std::to_string(stripSize) +
                        " bands" + in);
        if (length <= 0)
            return fail("frame length " + std::to_string(length) + " not positive" + in);
        frames.push_back({static_cast<std::uint32_t>(index), static_cast<std::uint32_t>(length)});
    }
    return true;
}

}
