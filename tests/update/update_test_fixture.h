// What the download and Update-command tests share: a model file in a
// fresh folder, recorded message boxes and a window that records what the
// command did to it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "tests/support/test_helpers.h"
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
    // The line on show now (read by the test server while it answers).
    std::string shownLine() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_.empty() ? std::string() : lines_.back();
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
        platform::netSetTimeouts(30, 60);
    }
    void TearDown() override
    {
        std::snprintf(modelFilePath, sizeof modelFilePath, "%s", saved_);
        platform::netSetTimeouts(30, 60);
    }

    std::string modelPath() const { return folder.file("Wendrix.ini"); }
    std::string tempPath() const { return modelPath() + "TMP"; }
    std::string modelText() const { return testing_support::readText(modelPath()); }
    void writeModel(const std::string& text)
    {
        ASSERT_TRUE(testing_support::writeText(modelPath(), text));
    }

    testing_support::TempDir folder;
    testing_support::RecordingMessageBoxes boxes;

private:
    char saved_[sizeof modelFilePath] = {};
};

inline const char kOldModelFile[] =
    "[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\n[Model A 2.40]\r\n"
    "org=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\nRel=2.40\r\n";
inline const char kNewModelFile[] =
    "[GPS]\r\nDate=15.03.03\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\n"
    "[Model A 2.40]\r\norg=modela.org\r\nrgn=modela.rgn\r\ncrc=7c3a01f5\r\nlang=10\r\n"
    "Rel=2.40\r\n[Model B 3.10]\r\norg=modelb.org\r\nrgn=modelb.rgn\r\ncrc=e6b0c2d9\r\n"
    "lang=14\r\nRel=3.10\r\n";
