#include "core/LogFile.h"
#include "core/LogManager.h"

#include "ErrorText.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <ctime>
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

std::string localNow(const char* format)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

// The lines after the header, each checked for the clock in front and then without it.
Strings messagesOf(const std::string& path, std::size_t from = 1)
{
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d: (.*)$)");
    std::ifstream in(path);
    Strings messages;
    std::smatch match;
    for (std::string line; std::getline(in, line);)
        if (from > 0)
            --from;
        else
            messages.push_back(std::regex_match(line, match, stamped) ? match[1].str() : "<unstamped: " + line + ">");
    return messages;
}

class Logging : public testing::Test
{
protected:
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string path(const std::string& name) const { return (dir / name).string(); }

    const fs::path dir = fs::temp_directory_path() / ("tarnu-logging-" + std::to_string(::getpid()));
};

}

TEST_F(Logging, HeaderAndLinesCarryTheLocalDateAndClock)
{
    const std::string name = path("header.txt");
    const std::string dayBefore = localNow("%Y:%m:%d"), clockBefore = localNow("%H:%M:%S");
    {
        LogManager manager;
        manager.createLog(name, LogFile::ML_CRITICAL, false, LogFile::ML_CRITICAL, false);
        manager.logMessage(name, "kept", LogFile::ML_CRITICAL);
    }
    const std::string dayAfter = localNow("%Y:%m:%d"), clockAfter = localNow("%H:%M:%S");

    std::ifstream in(name);
    std::string header, line;
    std::getline(in, header);
    std::getline(in, line);
    const std::string lead = name + ": Logging file generated on ";
    ASSERT_EQ(header.substr(0, lead.size()), lead);
    const std::string stamp = header.substr(lead.size());
    ASSERT_TRUE(std::regex_match(stamp, std::regex(R"(\d{4}:\d\d:\d\d at \d\d:\d\d:\d\d)"))) << stamp;
    const std::string day = stamp.substr(0, 10);
    EXPECT_TRUE(day == dayBefore || day == dayAfter) << day;
    if (dayBefore == dayAfter)  // not across midnight
        for (const std::string& clock : {stamp.substr(14), line.substr(0, 8)})
        {
            EXPECT_LE(clockBefore, clock);
            EXPECT_LE(clock, clockAfter);
        }
    EXPECT_EQ(messagesOf(name), (Strings{"kept", "Log File Closed."}));
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
    EXPECT_EQ(messagesOf(path("echo.txt"), 0), (Strings{"trivial", "normal", "critical", "Log File Closed."}));
}

TEST_F(Logging, FailedCreateLogRegistersNothingAndLeavesTheFirstLogWorking)
{
    const std::string name = path("twice.txt"), unopenable = path("missing-folder/log.txt");
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
}
