#include "EmbeddedPython.h"

#include "core/LogManager.h"
#include "core/PythonManager.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace py = boost::python;
using namespace Tarnu;

TEST(PythonManager, FreshNamespacesHaveTheModulesNamesAndTheLogTellsStartAndShutDown)
{
    Embedded::ensurePython();
    const auto folder = std::filesystem::temp_directory_path() / "tarnu-python-manager";
    std::filesystem::create_directories(folder);
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    {
        LogManager logs;
        PythonManager manager;
        py::dict space = manager.createNamespace();
        for (const char* name : {"__builtins__", "Entity", "ParameterList"})
            EXPECT_TRUE(space.has_key(name)) << name;
        py::exec("mine = 1", space, space);
        EXPECT_FALSE(manager.createNamespace().has_key("mine"));
        EXPECT_THROW(PythonManager(), std::runtime_error);
    }
    EXPECT_EQ(PythonManager::getSingletonPtr(), nullptr);
    std::filesystem::current_path(previous);

    std::ifstream file(folder / PythonManager::LOG_NAME);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);)
        lines.push_back(line);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("PythonSystemLog.txt: Logging file generated on ", 0), 0u);
    EXPECT_TRUE(lines[1].ends_with(": Initialized python subsytem"));
    EXPECT_TRUE(lines[2].ends_with(": Python subsytem shut down."));
    EXPECT_TRUE(lines.back().ends_with(": Log File Closed."));
    std::filesystem::remove_all(folder);
}
