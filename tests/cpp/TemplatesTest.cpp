// Engine internals of data files and spawners that scripts cannot reach: the
// random generator's exact draws, the generator's distribution and repeatable
// seeds, file-name parameters resolved through the data file's search
// directories, and a data file unloaded under its index.

#include "core/LogManager.h"
#include "core/ParameterList.h"
#include "core/resources/XmlFileManager.h"
#include "scene/Component.h"
#include "scene/ComponentClass.h"
#include "scene/ComponentFactory.h"
#include "scene/Entity.h"
#include "scene/templates/EntityTemplateManager.h"
#include "scene/templates/Rand48.h"
#include "scene/templates/SceneTemplateManager.h"
#include "scene/templates/StaticRandomDistributionSTG.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Tarnu;
namespace fs = std::filesystem;

namespace
{

// A component whose "file" parameter names a file; it keeps the parameters it was made with.
struct Picture : ComponentClass<Picture>
{
    static inline const std::string FACTORY_TYPE = "Picture";
    ParameterList made;

    std::shared_ptr<Component> createNew(const ParameterList& params) const override
    {
        auto picture = std::make_shared<Picture>();
        picture->made = params;
        return picture;
    }
    std::shared_ptr<Component> createCopy() const override { return createNew(made); }
    bool paramIsAFilename(const std::string& name) const override { return name == "file"; }
};

// The managers of a data-driven engine, in a folder of their own that becomes the working directory.
struct DataFiles : ::testing::Test
{
    void SetUp() override
    {
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("tarnu-templates-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        fs::current_path(folder);
        logs = std::make_unique<LogManager>();
        files = std::make_unique<XmlFileManager>();
        entities = std::make_unique<EntityTemplateManager>();
        scenes = std::make_unique<SceneTemplateManager>();
        components = std::make_unique<ComponentFactory>();
        components->registerType(std::make_shared<Picture>());
    }

    void TearDown() override
    {
        scenes.reset();
        entities.reset();
        files.reset();
        components.reset();
        logs.reset();
        fs::current_path(previous);
        fs::remove_all(folder);
    }

    static void write(const std::string& name, const std::string& text)
    {
        fs::create_directories(fs::path(name).parent_path().empty() ? "." : fs::path(name).parent_path());
        std::ofstream(name) << text;
    }

    fs::path previous, folder;
    std::unique_ptr<LogManager> logs;
    std::unique_ptr<XmlFileManager> files;
    std::unique_ptr<EntityTemplateManager> entities;
    std::unique_ptr<SceneTemplateManager> scenes;
    std::unique_ptr<ComponentFactory> components;
};

}

TEST(Rand48, DrawsTheSequenceOfItsSeed)
{
    Rand48 fresh, seeded(1), other(2);
    EXPECT_NEAR(fresh.next(), 0.0416303445, 1e-10);
    EXPECT_NEAR(fresh.next(), 0.4544924446, 1e-10);
    EXPECT_NEAR(fresh.next(), 0.8348172181, 1e-10);
    EXPECT_NEAR(seeded.next(), 0.0416303445, 1e-10);
    EXPECT_NE(other.next(), Rand48(1).next());
    seeded.seed(1);
    EXPECT_NEAR(seeded.next(), 0.0416303445, 1e-10);
}

TEST_F(DataFiles, TheGeneratorPicksByWeightAndRepeatsItsSeed)
{
    write("scenes.xml", "<Data><SceneTemplate name=\"A\"/><SceneTemplate name=\"B\"/></Data>");
    scenes->loadTemplate("A", "scenes.xml")->load();
    ParameterList params;
    for (auto [key, value] : std::map<std::string, std::string>{{"seed", "5"},     {"noSceneRate", "4"},
                                                                {"scene0", "A"},   {"rate0", "1"},
                                                                {"scene1", "B"},   {"rate1", "3"},
                                                                {"scene3", "A"},   {"rate3", "100"}})
        params.add(key, value);
    const auto made = std::static_pointer_cast<SceneTemplateGenerator>(StaticRandomDistributionSTG().createNew(params));
    const auto copy = std::static_pointer_cast<SceneTemplateGenerator>(made->createCopy());
    std::map<std::string, int> picked;
    std::vector<std::shared_ptr<SceneTemplate>> drawn;
    for (int draw = 0; draw < 8000; ++draw)
    {
        const std::shared_ptr<SceneTemplate> chosen = made->generateTemplate();
        drawn.push_back(chosen);
        ++picked[chosen ? chosen->getName() : "nothing"];
    }
    // Index 3 is never read: reading stops at the missing index 2.
    EXPECT_NEAR(picked["A"], 1000, 120);
    EXPECT_NEAR(picked["B"], 3000, 150);
    EXPECT_NEAR(picked["nothing"], 4000, 150);
    for (const std::shared_ptr<SceneTemplate>& expected : drawn)
        ASSERT_EQ(copy->generateTemplate(), expected);

    params.remove("rate1");
    EXPECT_THROW(StaticRandomDistributionSTG().createNew(params), std::runtime_error);
}

TEST_F(DataFiles, FileNameParametersResolveThroughTheDataFilesSearchDirectories)
{
    write("assets/a.png", "");
    write("assets/b.png", "");
    write("pictures.xml", R"(<Data>
  <SearchDirectory path="assets\"/>
  <EntityTemplate name="Fixed"><Component type="Picture"><Param name="file" value="a.png"/></Component></EntityTemplate>
  <EntityTemplate name="Open"><Component type="Picture"><VarParam name="file" value="pic"/></Component>
    <DefaultValue name="pic" value="b.png"/></EntityTemplate>
</Data>)");
    const auto pictureOf = [](const std::shared_ptr<Entity>& entity) {
        const std::shared_ptr<Picture> picture = Picture::getFor(entity.get());
        return picture ? picture->made.get("file") : std::string("none");
    };
    const std::shared_ptr<EntityTemplate> fixed = entities->loadTemplate("Fixed", "pictures.xml");
    const std::shared_ptr<EntityTemplate> open = entities->loadTemplate("Open", "");
    fixed->load();
    open->load();
    EXPECT_EQ(pictureOf(fixed->createEntity()), "assets/a.png");
    EXPECT_EQ(pictureOf(open->createEntity()), "assets/b.png");
    ParameterList caller;
    caller.add("pic", "a.png");
    EXPECT_EQ(pictureOf(open->createEntity(caller)), "assets/a.png");
    caller.add("pic", "missing.png");
    EXPECT_EQ(pictureOf(open->createEntity(caller)), "");
    EXPECT_EQ(open->createComponent("Picture", caller), nullptr);
}

TEST_F(DataFiles, AnUnloadedFileKeepsItsIndexAndIsReadAgainByTheNextLookup)
{
    write("one.xml", "<Data>\n\t<EntityTemplate name=\"T\"><Component type=\"Picture\"/></EntityTemplate>\n</Data>");
    const std::shared_ptr<XmlFile> file = files->getFile("one.xml");
    EXPECT_EQ(files->getFile("./one.xml"), file);
    file->load();
    const pugi::xml_node element = file->getElement("EntityTemplate", "T");
    ASSERT_TRUE(element);
    EXPECT_EQ(file->describeLocation(element), ", at row 2 and column 2");
    file->unload();
    EXPECT_TRUE(file->hasElement("EntityTemplate", "T"));
    EXPECT_FALSE(file->getElement("EntityTemplate", "T"));
    EXPECT_EQ(files->findElementFile("EntityTemplate", "T"), "one.xml");
    EXPECT_EQ(files->findElementFile("Nothing", "T"), "");
    const XmlElement found = files->findElement("EntityTemplate", "T", "");
    EXPECT_TRUE(found);
    EXPECT_TRUE(file->isLoaded());
}

TEST_F(DataFiles, TemplatesHeldOnlyByTheirIncludersGoDownALongChainWithoutRecursion)
{
    const int length = 60000;
    std::string text = "<Data>";
    for (int link = 0; link < length; ++link)
        text += "<SceneTemplate name=\"S" + std::to_string(link) + "\"><SceneTemplate name=\"S" +
                std::to_string(link + 1) + "\"/></SceneTemplate>";
    write("chain.xml", text + "<SceneTemplate name=\"S" + std::to_string(length) + "\"/></Data>");
    std::shared_ptr<SceneTemplate> first = scenes->loadTemplate("S0", "chain.xml");
    first->load();
    const std::weak_ptr<Resource> last = scenes->getResource("S" + std::to_string(length));
    for (int link = 0; link <= length; ++link)
        scenes->remove(scenes->getResource("S" + std::to_string(link))->getHandle());
    ASSERT_FALSE(last.expired());
    first.reset();
    EXPECT_TRUE(last.expired());
}
