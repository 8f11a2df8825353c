#include "core/EventFactory.h"
#include "core/LogFile.h"
#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/TypeName.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

// Its tag tells which prototype made it; createNew copies the "tag" parameter
// over the prototype's own tag when one is given.
class TaggedEvent : public FactoryEvent
{
public:
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

    const std::string factoryType;
    const std::string tag;
    const bool createsNothing;
};

std::string tagOf(const std::shared_ptr<FactoryEvent>& event)
{
    return static_cast<const TaggedEvent&>(*event).tag;
}

}

TEST(Singleton, SecondInstanceFailsAndTheSlotIsFreeAgainAfterDelete)
{
    ASSERT_EQ(LogManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(errorText([] { LogManager::getSingleton(); }),
              "Error: attempt to dereference singleton class Tarnu::LogManager when singleton is null.");

    auto first = std::make_unique<LogManager>();
    EXPECT_EQ(&LogManager::getSingleton(), first.get());
    EXPECT_EQ(errorText([] { LogManager second; }), "Error: attempt to reconstruct singleton class Tarnu::LogManager!");
    EXPECT_EQ(LogManager::getSingletonPtr(), first.get());

    first.reset();
    EXPECT_EQ(LogManager::getSingletonPtr(), nullptr);
    LogManager again;
    EXPECT_EQ(LogManager::getSingletonPtr(), &again);
}

TEST(Singleton, EventFactoryIsASingletonOfItsOwn)
{
    EventFactory factory;
    EXPECT_EQ(&EventFactory::getSingleton(), &factory);
    EXPECT_EQ(LogManager::getSingletonPtr(), nullptr);
    EXPECT_EQ(errorText([] { EventFactory another; }),
              "Error: attempt to reconstruct singleton class Tarnu::EventFactory!");
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
    EXPECT_TRUE(factory.isRegistered("Broken"));
}

TEST(TypeName, BuiltInsArePlainAndUserTypesCarryTheirKind)
{
    EXPECT_EQ(typeName<int>(), "int");
    EXPECT_EQ(typeName<unsigned int>(), "unsigned int");
    EXPECT_EQ(typeName<double>(), "double");
    EXPECT_EQ(typeName<bool>(), "bool");
    EXPECT_EQ(typeName<LogManager>(), "class Tarnu::LogManager");
    EXPECT_EQ(typeName<const ParameterList&>(), "class Tarnu::ParameterList");
    EXPECT_EQ(typeName<LogFile::MessageLevel>(), "enum Tarnu::LogFile::MessageLevel");
}
