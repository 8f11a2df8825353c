#include "core/resources/ResourceManager.h"

#include "core/LogManager.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;

namespace
{

std::vector<std::string> journal;
// What each probe asks for, one a step, before it loads.
std::map<std::string, std::vector<std::string>> needs;

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
    std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress) override;
};

struct Probes : TypedResourceManager<Probes, Probe>
{
};

// "postpones" asks for "later" to load soon.
std::shared_ptr<Resource> Probe::loadStep(std::unique_ptr<LoadProgress>& progress)
{
    struct Asked : LoadProgress
    {
        std::size_t next = 0;
    };
    if (!progress)
        progress = std::make_unique<Asked>();
    std::size_t& next = static_cast<Asked&>(*progress).next;
    const std::vector<std::string>& wanted = needs[getName()];
    if (next < wanted.size())
    {
        journal.push_back(getName() + " asks " + wanted[next]);
        return Probes::getSingleton().createTyped(wanted[next++]);
    }
    if (getName() == "postpones")
        Resource::loadSoon(Probes::getSingleton().createTyped("later"));
    loadImpl();
    return nullptr;
}

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
    void SetUp() override
    {
        journal.clear();
        needs.clear();
    }
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
        // Failing at the end of a chain, it leaves the whole chain unloaded.
        needs = {{"x", {"y"}}, {"y", {"throws"}}};
        EXPECT_THROW(probes.createTyped("x")->load(), std::runtime_error);
        for (const char* name : {"x", "y", "throws"})
            EXPECT_EQ(probes.getResource(name)->getLoadState(), Resource::UNLOADED) << name;
    }
    std::stringstream text;
    text << std::ifstream(log).rdbuf();
    std::filesystem::remove(log);
    EXPECT_NE(text.str().find("Error: Loading throws failed: unreadable"), std::string::npos) << text.str();
    // Innermost first.
    const std::size_t y = text.str().find("Error: Loading y failed: unreadable");
    EXPECT_LT(text.str().rfind("Error: Loading throws failed: unreadable"), y);
    EXPECT_LT(y, text.str().find("Error: Loading x failed: unreadable")) << text.str();
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

TEST_F(ResourceTest, AskedResourcesLoadFirstWithoutRecursionAndLoadsPutOffWaitForTheOutermost)
{
    // a needs b and c; b needs c, then a, which is still loading: b's step goes on at once.
    needs = {{"a", {"b", "c"}}, {"b", {"c", "a"}}, {"c", {"postpones"}}};
    probes.createTyped("a")->load();
    EXPECT_EQ(journal, (std::vector<std::string>{"a asks b", "b asks c", "c asks postpones", "load postpones state 1",
                                                 "load c state 1", "b asks a", "load b state 1", "a asks c",
                                                 "load a state 1", "load later state 1"}));
    for (const char* name : {"a", "b", "c", "later"})
        EXPECT_TRUE(probes.getResource(name)->isLoaded()) << name;
    journal.clear();
    Resource::loadSoon(probes.createTyped("now"));
    Resource::loadSoon(nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"load now state 1"})) << "outside a load, at once";

    // A chain far longer than the stack is deep.
    const int length = 200000;
    for (int link = 0; link < length; ++link)
        needs["n" + std::to_string(link)] = {"n" + std::to_string(link + 1)};
    probes.createTyped("n0")->load();
    EXPECT_TRUE(probes.getResource("n" + std::to_string(length))->isLoaded());
    EXPECT_TRUE(probes.getResource("n0")->isLoaded());
}
