#include "core/EventFactory.h"
#include "core/LogFile.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/TypeName.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

// Its tag tells which prototype made it; createNew copies the "tag" parameter
// over the prototype's own tag when one is given.
struct TaggedEvent : FactoryEvent
{
    TaggedEvent(std::string factoryType, std::string tag, bool createsNothing = false)
        : FactoryEvent(3001, 0.0), factoryType(std::move(factoryType)), tag(std::move(tag)),
          createsNothing(createsNothing)
    {
    }

    const std::string& getFactoryType() const override { return factoryType; }

    std::shared_ptr<FactoryEvent> createNew(const ParameterList& params) const override
    {
        if (createsNothing)
            return nullptr;
        std::string madeTag = tag;
        params.get("tag", madeTag);
        return std::make_shared<TaggedEvent>(factoryType, madeTag);
    }

    std::shared_ptr<FactoryEvent> createCopy(double) const override
    {
        return std::make_shared<TaggedEvent>(factoryType, tag);
    }

    const std::string factoryType, tag;
    const bool createsNothing;
};

std::string tagOf(const std::shared_ptr<FactoryEvent>& event)
{
    return static_cast<const TaggedEvent&>(*event).tag;
}

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
    EXPECT_EQ(T::getSingletonPtr(), nullptr);
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

TEST(ObjectFactory, FirstPrototypeRegisteredUnderANameStays)
{
    EventFactory factory;
    auto first = std::make_shared<TaggedEvent>("Move", "first");
    factory.registerType(first);
    factory.registerType(std::make_shared<TaggedEvent>("Move", "second"));
    factory.registerType(nullptr);

    EXPECT_TRUE(factory.isRegistered("Move"));
    EXPECT_FALSE(factory.isRegistered("move"));
    EXPECT_EQ(factory.getRegistered("Move"), first);
    EXPECT_EQ(tagOf(factory.create("Move", ParameterList())), "first");

    ParameterList params;
    params.add("tag", "configured");
    const std::shared_ptr<FactoryEvent> made = factory.create("Move", params);
    EXPECT_NE(made, first);
    EXPECT_EQ(tagOf(made), "configured");
}

TEST(ObjectFactory, UnknownNamesAndNullCreationsFailWithTheTypeName)
{
    EventFactory factory;
    factory.registerType(std::make_shared<TaggedEvent>("Broken", "", true));
    EXPECT_EQ(errorText([&] { factory.getRegistered("Jump"); }), "Unregistered factory type Jump.");
    EXPECT_EQ(errorText([&] { factory.create("Jump", ParameterList()); }), "Unregistered factory type Jump.");
    EXPECT_EQ(errorText([&] { factory.create("Broken", ParameterList()); }),
              "Create function returned null for type Broken.");
    EXPECT_FALSE(factory.isRegistered("Jump"));
}

TEST(TypeName, BuiltInsArePlainAndUserTypesCarryTheirKind)
{
    EXPECT_EQ(typeName<bool>(), "bool");
    EXPECT_EQ(typeName<const ParameterList&>(), "class Tarnu::ParameterList");
    EXPECT_EQ(typeName<LogFile::MessageLevel>(), "enum Tarnu::LogFile::MessageLevel");
}
