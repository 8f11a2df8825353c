#include "core/LogFile.h"
#include "core/LogManager.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// The lines after the header, each checked for the clock in front and then without it.
Strings messagesOf(const std::string& path)
{
    int skip = 1;
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d: (.*)$)");
    std::ifstream in(path);
    Strings messages;
    std::smatch match;
    for (std::string line; std::getline(in, line);)
        if (skip-- <= 0)
            messages.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "<unstamped: " + line + ">");
    return messages;
}

}

TEST(Logging, FailedCreateLogRegistersNothingAndLeavesTheFirstLogWorking)
{
    const fs::path dir = fs::temp_directory_path() / ("tarnu-logging-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string name = dir / "twice.txt", unopenable = dir / "missing-folder/log.txt";
    {
        LogManager manager;
        LogFile* first = manager.createLog(name, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, false);
        manager.logMessage(name, "before");
        EXPECT_EQ(errorText([&] { manager.createLog(name, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, true); }),
                  "Log '" + name + "' already exists.");
        for (int attempt = 0; attempt < 2; ++attempt)
            EXPECT_EQ(errorText([&] {
                          manager.createLog(unopenable, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true);
                      }),
                      "Cannot open log file.");
        EXPECT_EQ(manager.getLog(unopenable), nullptr);
        EXPECT_EQ(manager.getLog(name), first);
        manager.logMessage(name, "after");
        manager.logMessageToDefault("nowhere");  // the failed calls must not have made a default
    }
    EXPECT_EQ(messagesOf(name), (Strings{"before", "after", "Log File Closed."}));
    fs::remove_all(dir);
}
