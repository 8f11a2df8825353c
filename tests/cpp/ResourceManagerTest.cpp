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

// Loads in steps, asking for the resources needs names for it one step each;
// "postpones" asks for "later" to load soon, "throws" fails at its last step.
std::map<std::string, std::vector<std::string>> needs;

struct Staged : Resource
{
    Staged(const std::string& name, std::uint32_t handle, ManualResourceLoader* loader) : Resource(name, handle, loader) {}
    ~Staged() override { unload(); }
    void unloadImpl() override {}
    std::shared_ptr<Resource> loadStep(std::unique_ptr<LoadProgress>& progress) override;
};

struct Stages : TypedResourceManager<Stages, Staged>
{
};

std::shared_ptr<Resource> Staged::loadStep(std::unique_ptr<LoadProgress>& progress)
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
        return Stages::getSingleton().createTyped(wanted[next++]);
    }
    if (getName() == "postpones")
        Resource::loadSoon(Stages::getSingleton().createTyped("later"));
    if (getName() == "throws")
        throw std::runtime_error("unreadable");
    journal.push_back(getName() + " done");
    return nullptr;
}

// A log of the default log's messages, read back when the test is done with it.
struct DefaultLog
{
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("tarnu-resources-" + std::to_string(::getpid()) + ".txt");
    std::unique_ptr<LogManager> logs = std::make_unique<LogManager>();

    DefaultLog() { logs->createLog(path, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true); }
    std::string close()
    {
        logs.reset();
        std::stringstream text;
        text << std::ifstream(path).rdbuf();
        std::filesystem::remove(path);
        return text.str();
    }
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
    DefaultLog log;
    std::shared_ptr<Probe> probe = probes.createTyped("throws");
    EXPECT_THROW(probe->load(), std::runtime_error);
    EXPECT_EQ(probe->getLoadState(), Resource::UNLOADED);
    const std::string text = log.close();
    EXPECT_NE(text.find("Error: Loading throws failed: unreadable"), std::string::npos) << text;
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

TEST(StagedLoads, AskedResourcesLoadFirstAsALoopAndOneStillLoadingIsNotEnteredAgain)
{
    Stages stages;
    journal.clear();
    // a needs b and c, b needs c and a (loading: its step goes on at once).
    needs = {{"a", {"b", "c"}}, {"b", {"c", "a"}}, {"c", {}}};
    stages.createTyped("a")->load();
    EXPECT_EQ(journal, (std::vector<std::string>{"a asks b", "b asks c", "c done", "b asks a", "b done", "a asks c",
                                                 "a done"}));
    for (const char* name : {"a", "b", "c"})
        EXPECT_TRUE(stages.getResource(name)->isLoaded()) << name;

    // A chain far longer than the stack is deep.
    const int length = 200000;
    for (int link = 0; link < length; ++link)
        needs["n" + std::to_string(link)] = {"n" + std::to_string(link + 1)};
    stages.createTyped("n0")->load();
    EXPECT_TRUE(stages.getResource("n" + std::to_string(length))->isLoaded());
    EXPECT_TRUE(stages.getResource("n0")->isLoaded());
}

TEST(StagedLoads, AThrowingStepUnloadsTheWholeChainInnermostFirst)
{
    Stages stages;
    DefaultLog log;
    journal.clear();
    needs = {{"x", {"y"}}, {"y", {"throws"}}, {"throws", {}}};
    EXPECT_THROW(stages.createTyped("x")->load(), std::runtime_error);
    for (const char* name : {"x", "y", "throws"})
        EXPECT_EQ(stages.getResource(name)->getLoadState(), Resource::UNLOADED) << name;
    const std::string text = log.close();
    const std::size_t throws = text.find("Error: Loading throws failed: unreadable"),
                      y = text.find("Error: Loading y failed: unreadable"),
                      x = text.find("Error: Loading x failed: unreadable");
    EXPECT_TRUE(throws != std::string::npos && throws < y && y < x && x != std::string::npos) << text;
    // Mended, the chain loads again.
    needs["y"] = {};
    stages.getResource("x")->load();
    EXPECT_TRUE(stages.getResource("x")->isLoaded());
    EXPECT_TRUE(stages.getResource("y")->isLoaded());
}

TEST(StagedLoads, ALoadSoonWaitsForTheOutermostLoadButRunsAtOnceOutsideOne)
{
    Stages stages;
    journal.clear();
    needs = {{"top", {"postpones"}}, {"postpones", {}}, {"later", {}}, {"now", {}}};
    stages.createTyped("top")->load();
    EXPECT_EQ(journal, (std::vector<std::string>{"top asks postpones", "postpones done", "top done", "later done"}));
    journal.clear();
    Resource::loadSoon(stages.createTyped("now"));
    Resource::loadSoon(nullptr);
    EXPECT_EQ(journal, (std::vector<std::string>{"now done"}));
}
