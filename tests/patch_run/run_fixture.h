// A patch run in a folder of its own: the model file and log in "prog", the
// firmware files and UPDATER.EXE in "work" (the current directory), the
// per-user store under "config", and on POSIX stand-ins on a PATH of their own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "tests/patch_run/run_expectations.h"
#include "tests/support/test_helpers.h"

class PatchRunFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The model file: one model named `section`; a key given as nullptr is left out.
    void writeModel(const std::string& section, const char* org, const char* rgn,
                    const char* crc, const char* lang);
    std::string workFile(const std::string& name) const { return root.file("work/" + name); }
    void putWork(const std::string& name, const std::vector<unsigned char>& bytes);
    std::vector<unsigned char> workBytes(const std::string& name) const;
    bool workHas(const std::string& name) const { return testing_support::exists(workFile(name)); }

    void setLines(const run_expect::Lines& lines);
    // The lines as the next start would load them from the store.
    run_expect::Lines storedLines();

    std::vector<std::string> logLines() const;
    std::vector<std::string> messageTexts() const;
    std::vector<std::string> openedDocuments(bool expectSome) const
    {
        return run_expect::openedDocuments(root.file("opened.txt"), expectSome);
    }

    testing_support::TempDir root;
    std::string logPath;
    std::unique_ptr<RunLog> log;
    std::unique_ptr<testing_support::RecordingMessageBoxes> boxes;
    std::vector<int> sysCommands;
    int answerYesNo = 7;    // IdNo
    int answerOkCancel = 2; // IdCancel

private:
    std::string savedCwd;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv;
};

// Sets a variable, or removes it for std::nullopt.
void setEnvironment(const char* name, const std::optional<std::string>& value);

MadeFirmware standardFirmware(int textCount = 10, std::uint32_t seed = 7);
