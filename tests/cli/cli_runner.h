// Runs a copy of wendrix-cli in a folder of its own, as a user would: the
// folder holds the program, its model file and log, and the firmware, and is
// the current directory. HOME and XDG_CONFIG_HOME point into the test's own
// folder and PATH holds only the test's stand-ins.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "tests/patch_run/run_expectations.h"
#include "tests/support/test_helpers.h"

struct CliResult {
    int status = -1; // exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

class CliFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // Runs wendrix-cli with `args`; as user nobody (through setpriv) when asked.
    CliResult run(const std::vector<std::string>& args, bool asNobody = false);

    // The same in two steps, for runs that overlap or are signalled: start
    // returns the process, whose output goes to "<tag>.out" and "<tag>.err"
    // in the test's folder, and finish waits for it.
    struct Started {
        int pid = -1;
        std::string outPath, errPath;
    };
    Started start(const std::vector<std::string>& args, bool asNobody = false,
                  const std::string& tag = "std");
    // `signalled` gets the signal that ended the process, or 0.
    CliResult finish(const Started& started, int* signalled = nullptr);

    std::string app(const std::string& name) const { return root.file("app/" + name); }
    void writeModelFile(const std::string& text);
    // One model, "Model A 2.40", working file model.rgn, pristine copy model.org.
    void writeStandardModel(std::uint32_t crc, const char* org = "model.org");
    void put(const std::string& name, const std::vector<unsigned char>& bytes);
    std::vector<unsigned char> bytes(const std::string& name) const;
    std::vector<std::string> logLines() const;
    // Documents handed to the xdg-open stand-in (waits for the first when expected).
    std::vector<std::string> opened(bool expectSome) const
    {
        return run_expect::openedDocuments(root.file("opened.txt"), expectSome);
    }
    // Whether the run left anything in the per-user store.
    bool storeTouched() const;
    // Every file below the test's folder with its bytes, the program's own
    // output captures left out: what a run that writes nothing must keep.
    std::map<std::string, std::vector<unsigned char>> snapshot() const;

    testing_support::TempDir root;
};

// The standard model over a generated image, with a stand-in uploader.
class CliModelTest : public CliFixture {
protected:
    // Every text of it shows the owner's and the other lines in full.
    MadeFirmware made = makeFirmware(64 * 1024, 10, 8);

    void prepare();
    static std::vector<std::string> patchArgs(const std::string& model, const run_expect::Lines& lines);
    // What `check` prints for the model's firmware as it is now: the table
    // that a patch run with the same lines prints after its run.
    std::string checkTable(const run_expect::Lines& lines);
};

// Standard error as the program writes messages: each on its own line.
std::string shown(std::initializer_list<std::string> messages);
