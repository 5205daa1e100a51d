// What the download and Update-command tests share: a model file in a
// fresh folder, recorded message boxes and a window that records what the
// command did to it.
#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "tests/support/test_helpers.h"
#include "tests/update/loopback_servers.h"
#include "update/model_update.h"

// Stands in for the main dialog: keeps every status line it was given.
class RecordingHost : public UpdateHost {
public:
    static inline platform::WindowHandle const kDialog = reinterpret_cast<void*>(0xD1A0);
    static inline platform::WindowHandle const kStatus = reinterpret_cast<void*>(0x1066);

    platform::WindowHandle dialogWindow() override { return kDialog; }
    platform::WindowHandle statusWindow() override { return kStatus; }
    void setStatusLine(const char* text) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(text);
    }
    const char* statusText() override { return status.c_str(); }
    void armModelListTimer() override { ++timersArmed; }

    std::vector<std::string> lines() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }

    std::string status = "Click OK to modify firmware rel 2.40...";
    int timersArmed = 0;

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Points the model file into a fresh folder for one test.
class ModelFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::snprintf(saved_, sizeof saved_, "%s", modelFilePath);
        std::snprintf(modelFilePath, sizeof modelFilePath, "%s", modelPath().c_str());
        platform::netSetTimeouts(30, 30);
        setDownloadLimits({});
    }
    void TearDown() override
    {
        std::snprintf(modelFilePath, sizeof modelFilePath, "%s", saved_);
        platform::netSetTimeouts(30, 30);
        setDownloadLimits({});
    }

    std::string modelPath() const { return folder.file("Wendrix.ini"); }
    std::string tempPath() const { return modelPath() + "TMP"; }
    std::string modelText() const { return testing_support::readText(modelPath()); }
    void writeModel(const std::string& text)
    {
        ASSERT_TRUE(testing_support::writeText(modelPath(), text));
    }
    // The only message box shown, checked in full.
    void expectOneMessage(const std::string& text, unsigned style, platform::WindowHandle owner)
    {
        ASSERT_EQ(boxes.messages.size(), 1u);
        EXPECT_EQ(boxes.messages[0].text, text);
        EXPECT_EQ(boxes.messages[0].caption, "Zarnek Wendrix");
        EXPECT_EQ(boxes.messages[0].style, style);
        EXPECT_EQ(boxes.messages[0].owner, owner);
    }
    void expectUntouched()
    {
        EXPECT_EQ(modelText(), kOldModelFile);
        EXPECT_FALSE(testing_support::exists(tempPath()));
    }

    static inline const std::string kOldModelFile =
        "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\n"
        "org=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n";
    static inline const std::string kNewModelFile =
        "[GPS]\r\nDate=15.03.03\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\n"
        "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n"
        "[Model B 3.10]\r\norg=modelb.org\r\nrgn=modelb.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\nRel=3.10\r\n";

    testing_support::TempDir folder;
    testing_support::RecordingMessageBoxes boxes;

private:
    char saved_[sizeof modelFilePath] = {};
};

// Exactly one GET of the model file, with our agent and "Accept: */*".
inline void expectOneModelFileGet(const std::vector<std::string>& heads)
{
    ASSERT_EQ(heads.size(), 1u);
    std::istringstream lines(heads[0]);
    std::string line, method, path;
    std::getline(lines, line);
    std::istringstream(line) >> method >> path;
    EXPECT_EQ(method, "GET");
    EXPECT_EQ(path, "/gps/wendrix.ini");
    std::vector<std::string> agents, accepts, others;
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string name = line.substr(0, colon);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const auto first = line.find_first_not_of(" \t", colon + 1);
        const std::string value =
            first == std::string::npos ? "" : line.substr(first, line.find_last_not_of(" \t\r") + 1 - first);
        (name == "user-agent" ? agents : name == "accept" ? accepts : others).push_back(value);
    }
    EXPECT_EQ(agents, std::vector<std::string>{"Zarnek Wendrix"});
#ifdef _WIN32
    // WinINet may add its own "Accept: */*" beside ours; any other value is wrong.
    ASSERT_FALSE(accepts.empty());
    for (const std::string& accept : accepts)
        EXPECT_EQ(accept, "*/*");
#else
    EXPECT_EQ(accepts, std::vector<std::string>{"*/*"});
#endif
}
