#include "core/LogFile.h"
#include "core/LogManager.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

using namespace Tarnu;
using Tarnu::Testing::errorText;

namespace
{

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string localNow(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

Strings readLines(const std::string& path)
{
    std::ifstream in(path);
    Strings lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The message of a logged line, after checking that it opens with the clock.
std::string messageOf(const std::string& line)
{
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d: (.*)$)");
    std::smatch match;
    if (!std::regex_match(line, match, stamped))
        return "<unstamped: " + line + ">";
    return match[1];
}

Strings messagesOf(const Strings& lines, std::size_t from)
{
    Strings messages;
    for (std::size_t i = from; i < lines.size(); ++i)
        messages.push_back(messageOf(lines[i]));
    return messages;
}

class Logging : public testing::Test
{
protected:
    void SetUp() override
    {
        static int counter = 0;
        dir = fs::temp_directory_path() /
              ("tarnu-logging-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    fs::path dir;
};

}

TEST_F(Logging, ThresholdDropsLowerLevelsAndEveryLineCarriesTheClock)
{
    const std::string file = path("threshold.txt");
    std::string before, after;
    {
        LogFile log(file, LogFile::ML_NORMAL);
        before = localNow("%H:%M:%S");
        log.logMessage("trivial", LogFile::ML_TRIVIAL);
        log.logMessage("normal", LogFile::ML_NORMAL);
        log.logMessage("critical", LogFile::ML_CRITICAL);
        after = localNow("%H:%M:%S");
    }
    const Strings lines = readLines(file);
    EXPECT_EQ(messagesOf(lines, 0), (Strings{"normal", "critical", "Log File Closed."}));
    ASSERT_FALSE(lines.empty());
    const std::string clock = lines[0].substr(0, 8);
    if (before <= after)  // not across midnight
    {
        EXPECT_LE(before, clock);
        EXPECT_LE(clock, after);
    }
}

TEST_F(Logging, EchoShowsOnlyMessagesAtTheEchoLevelWithoutTheClock)
{
    testing::internal::CaptureStdout();
    {
        LogFile echoing(path("echo.txt"), LogFile::ML_TRIVIAL, true, LogFile::ML_CRITICAL);
        LogFile silent(path("silent.txt"), LogFile::ML_TRIVIAL, false, LogFile::ML_TRIVIAL);
        echoing.logMessage("trivial", LogFile::ML_TRIVIAL);
        echoing.logMessage("normal", LogFile::ML_NORMAL);
        echoing.logMessage("critical", LogFile::ML_CRITICAL);
        silent.logMessage("quiet", LogFile::ML_CRITICAL);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "critical\nLog File Closed.\n");
    EXPECT_EQ(messagesOf(readLines(path("echo.txt")), 0),
              (Strings{"trivial", "normal", "critical", "Log File Closed."}));
}

TEST_F(Logging, HeaderOpensTheFileWhateverTheThreshold)
{
    const std::string name = path("header.txt");
    const std::string dayBefore = localNow("%Y:%m:%d"), clockBefore = localNow("%H:%M:%S");
    {
        LogManager manager;
        manager.createLog(name, LogFile::ML_CRITICAL, false, LogFile::ML_CRITICAL, false);
        manager.logMessage(name, "dropped", LogFile::ML_NORMAL);
    }
    const std::string dayAfter = localNow("%Y:%m:%d"), clockAfter = localNow("%H:%M:%S");

    const Strings lines = readLines(name);
    ASSERT_EQ(lines.size(), 2u);
    const std::string lead = name + ": Logging file generated on ";
    ASSERT_EQ(lines[0].substr(0, lead.size()), lead);
    const std::string stamp = lines[0].substr(lead.size());
    ASSERT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}:\d\d:\d\d at \d\d:\d\d:\d\d)"))) << stamp;
    const std::string day = stamp.substr(0, 10), clock = stamp.substr(14);
    EXPECT_TRUE(day == dayBefore || day == dayAfter) << day;
    if (dayBefore == dayAfter)
    {
        EXPECT_LE(clockBefore, clock);
        EXPECT_LE(clock, clockAfter);
    }
    EXPECT_EQ(messageOf(lines[1]), "Log File Closed.");
}

TEST_F(Logging, SecondLogOfTheSameNameFailsAndTheFirstKeepsWorking)
{
    const std::string name = path("twice.txt");
    {
        LogManager manager;
        LogFile* first = manager.createLog(name, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, false);
        manager.logMessage(name, "before");
        EXPECT_EQ(errorText([&] { manager.createLog(name, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, true); }),
                  "Log '" + name + "' already exists.");
        EXPECT_EQ(manager.getLog(name), first);
        manager.logMessage(name, "after");
        manager.logMessageToDefault("nowhere");  // the failed call must not have made a default
    }
    const Strings lines = readLines(name);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind(name + ": Logging file generated on ", 0), 0u);
    EXPECT_EQ(messagesOf(lines, 1), (Strings{"before", "after", "Log File Closed."}));
}

TEST_F(Logging, UnopenableFileFailsAndRegistersNothing)
{
    const std::string name = path("missing-folder/log.txt");
    LogManager manager;
    for (int attempt = 0; attempt < 2; ++attempt)
        EXPECT_EQ(errorText([&] { manager.createLog(name, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true); }),
                  "Cannot open log file.");
    EXPECT_EQ(manager.getLog(name), nullptr);
    manager.logMessage(name, "nowhere", LogFile::ML_CRITICAL, true);
}

TEST_F(Logging, AlsoToDefaultWritesToTheDefaultLogAsWellAndShutdownEndsIt)
{
    const std::string main = path("main.txt"), side = path("side.txt");
    {
        LogManager manager;
        manager.logMessageToDefault("before any default");
        manager.createLog(main, LogFile::ML_NORMAL, false, LogFile::ML_CRITICAL, true);
        manager.createLog(side, LogFile::ML_TRIVIAL, false, LogFile::ML_CRITICAL, false);
        manager.logMessage(main, "twice", LogFile::ML_NORMAL, true);
        manager.logMessage(side, "both", LogFile::ML_NORMAL, true);
        manager.logMessage(side, "side only", LogFile::ML_NORMAL, false);
        manager.logMessage(path("unknown.txt"), "default only", LogFile::ML_NORMAL, true);
        manager.logMessage(side, "trivial", LogFile::ML_TRIVIAL, true);
        manager.logMessageToDefault("to default");
    }
    EXPECT_EQ(messagesOf(readLines(main), 1), (Strings{"twice", "twice", "both", "default only", "to default",
                                                       "Log manager shut down.", "Log File Closed."}));
    EXPECT_EQ(messagesOf(readLines(side), 1), (Strings{"both", "side only", "trivial", "Log File Closed."}));
    EXPECT_FALSE(fs::exists(path("unknown.txt")));
}
