#include "core/resources/ResourceManager.h"

#include "core/LogManager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

std::vector<std::string> journal;

// Loads "bad" names with an error and writes every load and unload it sees.
struct Probe : Resource
{
    Probe(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader) : Resource(name, handle, loader) {}
    ~Probe() override { unload(); }
    void loadImpl() override
    {
        journal.push_back("load " + getName() + " state " + std::to_string(getLoadState()));
        loadError = getName() == "bad";
        if (getName() == "throws")
            throw std::runtime_error("unreadable");
    }
    void unloadImpl() override { journal.push_back("unload " + getName() + " state " + std::to_string(getLoadState())); }
};

struct Probes : TypedResourceManager<Probes, Probe>
{
};

struct Loader : ManualResourceLoader
{
    explicit Loader(bool owned, bool* deleted = nullptr) : owned(owned), deleted(deleted) {}
    ~Loader() override
    {
        if (deleted)
            *deleted = true;
    }
    void loadResource(Resource* resource) override { journal.push_back("manual " + resource->getName()); }
    bool isOwnedByResource() const override { return owned; }
    bool owned;
    bool* deleted;
};

struct ResourceTest : ::testing::Test
{
    void SetUp() override { journal.clear(); }
    std::unique_ptr<Probes> manager = std::make_unique<Probes>();
    Probes& probes = *manager;
};

}

TEST_F(ResourceTest, HandlesStartAtOneNeverGoBackAndSkipThoseInUse)
{
    EXPECT_EQ(probes.create("", nullptr), nullptr);
    EXPECT_EQ(probes.createTyped("a")->getHandle(), 1u);
    EXPECT_EQ(probes.createTyped("b")->getHandle(), 2u);
    EXPECT_EQ(probes.create("a", nullptr)->getHandle(), 1u);   // the same resource, no new handle
    probes.remove(1);
    EXPECT_EQ(probes.getResource("a"), nullptr);
    EXPECT_EQ(probes.getResource(1u), nullptr);
    EXPECT_EQ(probes.createTyped("a")->getHandle(), 3u);
    EXPECT_EQ(probes.getResource("b"), probes.getResource(2u));
    EXPECT_EQ(probes.getResource(0u), nullptr);
}

TEST_F(ResourceTest, LoadStatesFollowTheProtocolAndBadDataStillEndsLoaded)
{
    std::shared_ptr<Probe> bad = probes.createTyped("bad");
    EXPECT_EQ(bad->getLoadState(), Resource::UNLOADED);
    bad->reload();   // does not load an unloaded resource
    bad->unload();
    EXPECT_TRUE(journal.empty());
    bad->load();
    bad->load();
    EXPECT_TRUE(bad->isLoaded());
    EXPECT_TRUE(bad->wasLoadError());
    bad->reload();
    EXPECT_EQ(journal, (std::vector<std::string>{"load bad state 1", "unload bad state 3", "load bad state 1"}));
}

TEST_F(ResourceTest, AThrowingLoadIsLoggedAndLeavesTheResourceLoadableAgain)
{
    const std::filesystem::path log =
        std::filesystem::temp_directory_path() / ("tarnu-resources-" + std::to_string(::getpid()) + ".txt");
    {
        LogManager logs;
        logs.createLog(log, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true);
        std::shared_ptr<Probe> probe = probes.createTyped("throws");
        EXPECT_THROW(probe->load(), std::runtime_error);
        EXPECT_EQ(probe->getLoadState(), Resource::UNLOADED);
    }
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    std::filesystem::remove(log);
    EXPECT_NE(text.str().find("Error: Loading throws failed: unreadable"), std::string::npos) << text.str();
}

TEST_F(ResourceTest, AManualLoaderLoadsInsteadAndIsDeletedOnlyWhenOwned)
{
    bool ownedDeleted = false, borrowedDeleted = false;
    Loader borrowed(false, &borrowedDeleted);
    probes.create("owned", new Loader(true, &ownedDeleted))->load();
    probes.create("borrowed", &borrowed)->load();
    EXPECT_EQ(journal, (std::vector<std::string>{"manual owned", "manual borrowed"}));
    probes.removeUnreferenced();
    EXPECT_TRUE(ownedDeleted);
    EXPECT_FALSE(borrowedDeleted);
    // Unloading runs the resource's own code whoever loaded it.
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "unload borrowed state 3"), 1);
}

TEST_F(ResourceTest, RemoveUnreferencedKeepsWhatOthersHoldAndUnloadAllKeepsEverything)
{
    std::shared_ptr<Probe> held = probes.createTyped("held");
    probes.createTyped("dropped")->load();
    held->load();
    probes.unloadAll();
    EXPECT_FALSE(held->isLoaded());
    ASSERT_NE(probes.getResource("dropped"), nullptr);
    EXPECT_FALSE(probes.getResource("dropped")->isLoaded());

    probes.getResource("dropped")->load();
    journal.clear();
    probes.removeUnreferenced();
    EXPECT_EQ(probes.getResource("dropped"), nullptr);
    EXPECT_EQ(probes.getResource("held"), held);
    EXPECT_EQ(journal, (std::vector<std::string>{"unload dropped state 3"}));
}

TEST_F(ResourceTest, TheTypedManagerIsASingletonThatUnloadsWhatItHoldsWhenDeleted)
{
    EXPECT_THROW(Probes(), std::runtime_error);
    EXPECT_EQ(&Probes::getSingleton(), &probes);
    std::shared_ptr<Probe> kept = probes.createTyped("kept");
    kept->load();
    manager.reset();
    EXPECT_EQ(Probes::getSingletonPtr(), nullptr);
    EXPECT_FALSE(kept->isLoaded());
}
