#include "core/EventFactory.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

// Its tag tells which prototype made it; createNew copies the "tag" parameter over
// the prototype's own tag when one is given, and a prototype tagged "null" makes nothing.
struct TaggedEvent : FactoryEvent
{
    TaggedEvent(std::string factoryType, std::string tag)
        : FactoryEvent(3001, 0.0), factoryType(std::move(factoryType)), tag(std::move(tag))
    {
    }
    const std::string& getFactoryType() const override { return factoryType; }
    std::shared_ptr<FactoryEvent> createCopy(double) const override { return createNew(ParameterList()); }
    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override
    {
        std::string madeTag = tag;
        params.get("tag", madeTag);
        return tag == "null" ? nullptr : std::make_shared<TaggedEvent>(factoryType, madeTag);
    }
    const std::string factoryType, tag;
};

template <class T>
void expectOneSlot(const std::string& name)
{
    ASSERT_EQ(T::getSingletonPtr(), nullptr);
    EXPECT_EQ(errorText([] { T::getSingleton(); }),
              "Error: attempt to dereference singleton " + name + " when singleton is null.");
    auto first = std::make_unique<T>();
    EXPECT_EQ(&T::getSingleton(), first.get());
    EXPECT_EQ(errorText([] { T second; }), "Error: attempt to reconstruct singleton " + name + "!");
    EXPECT_EQ(T::getSingletonPtr(), first.get());
    first.reset();
    T again;
    EXPECT_EQ(T::getSingletonPtr(), &again);
}

}

TEST(Singleton, SecondInstanceFailsAndTheSlotIsFreeAgainAfterDelete)
{
    expectOneSlot<LogManager>("class Tarnu::LogManager");
    expectOneSlot<EventFactory>("class Tarnu::EventFactory");
    // Each class has a slot of its own.
    EventFactory factory;
    EXPECT_EQ(LogManager::getSingletonPtr(), nullptr);
}

TEST(ObjectFactory, FirstPrototypeUnderANameStaysAndFailuresNameTheType)
{
    EventFactory factory;
    auto first = std::make_shared<TaggedEvent>("Move", "first");
    factory.registerType(first);
    factory.registerType(std::make_shared<TaggedEvent>("Move", "second"));
    factory.registerType(nullptr);
    factory.registerType(std::make_shared<TaggedEvent>("Broken", "null"));

    EXPECT_FALSE(factory.isRegistered("move"));
    EXPECT_EQ(factory.getRegistered("Move"), first);
    EXPECT_EQ(std::static_pointer_cast<TaggedEvent>(factory.create("Move", ParameterList()))->tag, "first");
    ParameterList params;
    params.add("tag", "configured");
    const auto made = std::static_pointer_cast<TaggedEvent>(factory.create("Move", params));
    EXPECT_NE(made, first);
    EXPECT_EQ(made->tag, "configured");

    EXPECT_EQ(errorText([&] { factory.getRegistered("Jump"); }), "Unregistered factory type Jump.");
    EXPECT_EQ(errorText([&] { factory.create("Jump", ParameterList()); }), "Unregistered factory type Jump.");
    EXPECT_EQ(errorText([&] { factory.create("Broken", ParameterList()); }),
              "Create function returned null for type Broken.");
    EXPECT_FALSE(factory.isRegistered("Jump"));
}
