// A main dialog on a fake window in a folder of its own: the model file and
// log in "prog", the current directory "work" (firmware and UPDATER.EXE),
// the per-user store under "config", and nothing on PATH but "bin".
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

#include "config/model_file.h"
#include "engine/warning_lines.h"
#include "log/run_log.h"
#include "tests/support/firmware_maker.h"
#include "tests/support/test_helpers.h"
#include "tests/ui/fake_window.h"
#include "ui/main_dialog.h"
#include "update/model_update.h"

#ifdef _WIN32
#include <windows.h>
#endif

inline void setEnvironment(const char* name, const char* value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value : "");
#else
    value ? ::setenv(name, value, 1) : ::unsetenv(name);
#endif
}

// The formatted status for a release label, as the user should see it.
inline std::string modelStatus(const std::string& release)
{
    return "Click OK to modify firmware rel " + release + "...";
}

class DialogFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        namespace fs = std::filesystem;
        for (const char* sub : {"prog", "work", "bin"})
            fs::create_directories(root.file(sub));
        savedCwd_ = fs::current_path().string();
        fs::current_path(root.file("work"));
        for (const char* name : {"HOME", "XDG_CONFIG_HOME", "PATH"}) {
            const char* value = std::getenv(name);
            savedEnv_.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
        setEnvironment("HOME", root.file("config").c_str());
        setEnvironment("XDG_CONFIG_HOME", root.file("config").c_str());
#ifndef _WIN32
        setEnvironment("PATH", root.file("bin").c_str()); // no opener, no uploader
#endif
        removeSettingsKey();
        const std::string model = root.file("prog/wendrix.ini");
        ASSERT_LT(model.size(), sizeof modelFilePath);
        std::snprintf(modelFilePath, sizeof modelFilePath, "%s", model.c_str());
        log = std::make_unique<RunLog>(root.file("prog/wendrix.exe").c_str());
        runLog = log.get();
        boxes = std::make_unique<testing_support::RecordingMessageBoxes>();
        boxes->answerFor = [this](const testing_support::RecordedMessage& box) {
            const unsigned buttons = box.style & 0x0F;
            return buttons == platform::MbYesNo ? answerYesNo
                   : buttons == platform::MbOkCancel ? answerOkCancel
                                                      : int(platform::IdOk);
        };
        restart();
        // What a front end does: the patch run's Update request reaches the dialog.
        platform::setSysCommandHandler([this](platform::WindowHandle owner, int command) {
            if (owner == window->handle())
                ui::mainDialogSysCommand(*window, command);
        });
    }
    void TearDown() override
    {
        platform::setSysCommandHandler(nullptr);
        ui::updateCommandUrl = kUpdateUrl;
        removeSettingsKey();
        boxes.reset();
        runLog = nullptr;
        log.reset();
        std::filesystem::current_path(savedCwd_);
        for (const auto& [name, value] : savedEnv_)
            setEnvironment(name.c_str(), value ? value->c_str() : nullptr);
    }

    // A fresh start: no model file, no per-user store, empty lines, a new window.
    void restart()
    {
        std::filesystem::remove(modelFilePath);
        std::filesystem::remove_all(root.file("config"));
        std::filesystem::create_directories(root.file("config"));
        removeSettingsKey();
        dropModelFileCache();
        for (int i = 0; i < WarningLines::kCount; ++i)
            warningLines.setLine(i, CheckedLine());
        dialogState = 0;
        statusText[0] = '\0';
        window = std::make_unique<FakeWindow>();
    }
    void writeModelFile(const std::string& text)
    {
        ASSERT_TRUE(testing_support::writeText(modelFilePath, text));
        dropModelFileCache();
    }
    // Models "Alpha" (rel 2.40), "Beta" (no Rel) and "Gamma" (empty Rel).
    void writeThreeModels(const std::string& date = "01.10.02")
    {
        writeModelFile("[GPS]\r\nDate=" + date +
                       "\r\nGps-1=Alpha\r\nGps-2=Beta\r\nGps-3=Gamma\r\n"
                       "[Alpha]\r\nRel=2.40\r\n[Beta]\r\norg=b.org\r\n[Gamma]\r\nRel=\r\n");
    }
    // Model "Etrex" (rel 2.40) whose working file is generated firmware in "work".
    void writeFirmwareModel(const std::string& moreModels = "", const std::string& moreSections = "")
    {
        firmware = makeFirmware(32 * 1024, 6, 11);
        ASSERT_TRUE(testing_support::writeBytes(work("fw.rgn"), firmware.bytes));
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08lx", crc32(0, firmware.bytes.data(), uInt(firmware.bytes.size())));
        writeModelFile("[GPS]\r\nDate=01.10.02\r\nGps-1=Etrex\r\n" + moreModels +
                       "[Etrex]\r\norg=fw.org\r\nrgn=fw.rgn\r\ncrc=" + crc + "\r\nlang=6\r\nRel=2.40\r\n" +
                       moreSections);
    }
    // Model "Etrex" on fourteen texts: eight that "Property of" / "Jo Smith,
    // Leith" fill (148 to 305 characters), two that only those words on one
    // line fill (318, 320), three that no arrangement of them fills (330 to
    // 340) and one longer than any seven lines (358), which keeps its own
    // warning.
    void writeFourteenModel()
    {
        firmware = makeFirmware(64 * 1024, {148, 180, 200, 230, 256, 270, 290, 305, 318, 320, 330, 336, 340, 358}, 5);
        ASSERT_TRUE(testing_support::writeBytes(work("fw.rgn"), firmware.bytes));
        char crc[16];
        std::snprintf(crc, sizeof crc, "%08lx", crc32(0, firmware.bytes.data(), uInt(firmware.bytes.size())));
        writeModelFile(std::string("[GPS]\r\nDate=01.10.02\r\nGps-1=Etrex\r\n[Etrex]\r\norg=fw.org\r\nrgn=fw.rgn\r\n") +
                       "crc=" + crc + "\r\nlang=14\r\nRel=2.40\r\n");
    }
    std::string work(const std::string& name) const { return root.file("work/" + name); }

    // Creation and the first timer tick, as the dialog's first 100 ms.
    void createAndTick()
    {
        ui::mainDialogCreate(*window, ui::kStateDisclaimer);
        ASSERT_TRUE(window->tick());
    }
    void pressPage() { ui::mainDialogCommand(*window, ui::IdPage, ui::NotifyNone); }
    // Creation, first tick, "Page" and the choice of model `index`.
    void openOnModel(int index)
    {
        createAndTick();
        pressPage();
        window->choose(index);
    }

    std::vector<std::string> messageTexts() const
    {
        std::vector<std::string> texts;
        for (const auto& box : boxes->messages)
            texts.push_back(box.text);
        return texts;
    }

    testing_support::TempDir root;
    MadeFirmware firmware;
    std::unique_ptr<FakeWindow> window;
    std::unique_ptr<RunLog> log;
    std::unique_ptr<testing_support::RecordingMessageBoxes> boxes;
    int answerYesNo = platform::IdNo;
    int answerOkCancel = platform::IdCancel;

private:
    // Windows keeps the per-user store in the registry, which no environment
    // variable moves: each case starts and ends without the program's key.
    static void removeSettingsKey()
    {
#ifdef _WIN32
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix");
#endif
    }
    std::string savedCwd_;
    std::vector<std::pair<std::string, std::optional<std::string>>> savedEnv_;
};
