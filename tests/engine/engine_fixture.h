// Shared set-up for the engine tests: images from literal bytes, a run log in a temporary folder.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "tests/support/checked_lines.h"
#include "engine/firmware_image.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"

// An image that owns its block, built from the given bytes plus the NUL.
struct OwnedImage {
    FirmwareImage image;

    explicit OwnedImage(const std::string& bytes)
    {
        image.size = static_cast<std::uint32_t>(bytes.size());
        image.bytes = static_cast<unsigned char*>(platform::allocBlock(bytes.size() + 1));
        if (!bytes.empty())
            std::memcpy(image.bytes, bytes.data(), bytes.size());
        image.bytes[bytes.size()] = 0;
    }
    explicit OwnedImage(const std::vector<unsigned char>& bytes)
        : OwnedImage(std::string(bytes.begin(), bytes.end()))
    {
    }
    ~OwnedImage() { releaseImage(image); }
    OwnedImage(const OwnedImage&) = delete;
    OwnedImage& operator=(const OwnedImage&) = delete;

    std::string str() const
    {
        return std::string(reinterpret_cast<const char*>(image.bytes), image.size);
    }
};

// Points the process-wide run log at a fresh folder for one test.
class LoggedTest : public ::testing::Test {
protected:
    LoggedTest() : log_(dir_.file("wendrix.exe").c_str()) { runLog = &log_; }
    ~LoggedTest() override { runLog = nullptr; }

    std::string logPath() const { return dir_.file("wendrix.LOG"); }

    // The log's lines without their CR LF; every line must end in CR LF.
    std::vector<std::string> logLines() const
    {
        const std::string text = testing_support::readText(logPath());
        std::vector<std::string> lines;
        std::size_t from = 0;
        while (from < text.size()) {
            const std::size_t end = text.find("\r\n", from);
            if (end == std::string::npos) {
                ADD_FAILURE() << "log ends without CR LF: " << text.substr(from);
                break;
            }
            lines.push_back(text.substr(from, end - from));
            from = end + 2;
        }
        return lines;
    }

    void clearLog() { testing_support::writeText(logPath(), ""); }

    static void setLines(std::initializer_list<const char*> texts)
    {
        int i = 0;
        for (const char* t : texts)
            warningLines.setLine(i++, testing_support::checkedLine(t));
        for (; i < WarningLines::kCount; ++i)
            warningLines.setLine(i, CheckedLine());
    }

    testing_support::TempDir dir_;
    RunLog log_;
};
