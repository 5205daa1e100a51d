// A main dialog on a fake window in a folder of its own: the model file and
// log in "prog", the current directory "work" (firmware and UPDATER.EXE),
// the per-user store under "config", and nothing on PATH but "bin".
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "log/run_log.h"
#include "tests/support/test_helpers.h"
#include "tests/ui/fake_window.h"

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void writeModelFile(const std::string& text);
    // The model file with models "Alpha" (rel 2.40), "Beta" (no Rel) and
    // "Gamma" (empty Rel).
    void writeThreeModels(const std::string& date = "01.10.02");
    std::string work(const std::string& name) const { return root.file("work/" + name); }

    // Creation and the first timer tick, as the dialog's first 100 ms.
    void createAndTick();
    // Then "Page".
    void pressPage();

    std::vector<std::string> messageTexts() const;

    testing_support::TempDir root;
    std::unique_ptr<FakeWindow> window;
    std::unique_ptr<RunLog> log;
    std::unique_ptr<testing_support::RecordingMessageBoxes> boxes;
    int answerYesNo = platform::IdNo;
    int answerOkCancel = platform::IdCancel;

private:
    std::string savedCwd_;
    std::vector<std::pair<std::string, std::string>> savedEnv_;
    std::vector<std::string> unsetEnv_;
};

// The formatted status for a release label, as the user should see it.
std::string modelStatus(const std::string& release);
