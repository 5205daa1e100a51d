#include "tests/ui/dialog_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "config/model_file.h"
#include "engine/warning_lines.h"
#include "update/model_update.h"
#include "ui/main_dialog.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace fs = std::filesystem;

namespace {
#ifdef _WIN32
// Windows keeps the per-user store in the registry, which no environment
// variable moves: each case starts and ends without the program's key.
void removeSettingsKey()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Zarnek\\Wendrix");
}
#endif
void setEnv(const char* name, const std::string& value)
{
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}
void unsetEnv(const char* name)
{
#ifdef _WIN32
    _putenv_s(name, "");
#else
    ::unsetenv(name);
#endif
}
} // namespace

std::string modelStatus(const std::string& release)
{
    return "Click OK to modify firmware rel " + release + "...";
}

void DialogFixture::SetUp()
{
    for (const char* sub : {"prog", "work", "config", "bin"})
        fs::create_directories(root.file(sub));
    savedCwd_ = fs::current_path().string();
    fs::current_path(root.file("work"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "PATH"}) {
        if (const char* value = std::getenv(name))
            savedEnv_.emplace_back(name, value);
        else
            unsetEnv_.push_back(name);
    }
    setEnv("HOME", root.file("config"));
    setEnv("XDG_CONFIG_HOME", root.file("config"));
#ifndef _WIN32
    // No document opener and no uploader can be started from here.
    setEnv("PATH", root.file("bin"));
#else
    removeSettingsKey();
#endif

    const std::string model = root.file("prog/wendrix.ini");
    ASSERT_LT(model.size(), sizeof modelFilePath);
    std::snprintf(modelFilePath, sizeof modelFilePath, "%s", model.c_str());
    log = std::make_unique<RunLog>(root.file("prog/wendrix.exe").c_str());
    runLog = log.get();

    boxes = std::make_unique<testing_support::RecordingMessageBoxes>();
    boxes->answerFor = [this](const testing_support::RecordedMessage& box) {
        switch (box.style & 0x0F) {
        case platform::MbYesNo:
            return answerYesNo;
        case platform::MbOkCancel:
            return answerOkCancel;
        default:
            return int(platform::IdOk);
        }
    };
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, "");
    dialogState = 0;
    statusText[0] = '\0';

    window = std::make_unique<FakeWindow>();
    // What a front end does: the patch run's Update request reaches the dialog.
    platform::setSysCommandHandler([this](platform::WindowHandle owner, int command) {
        if (owner == window->handle())
            ui::mainDialogSysCommand(*window, command);
    });
}

void DialogFixture::TearDown()
{
    platform::setSysCommandHandler(nullptr);
    ui::updateCommandUrl = kUpdateUrl;
#ifdef _WIN32
    removeSettingsKey();
#endif
    boxes.reset();
    runLog = nullptr;
    log.reset();
    fs::current_path(savedCwd_);
    for (const auto& [name, value] : savedEnv_)
        setEnv(name.c_str(), value);
    for (const std::string& name : unsetEnv_)
        unsetEnv(name.c_str());
}

void DialogFixture::writeModelFile(const std::string& text)
{
    ASSERT_TRUE(testing_support::writeText(modelFilePath, text));
    dropModelFileCache();
}

void DialogFixture::writeThreeModels(const std::string& date)
{
    writeModelFile("[GPS]\r\nDate=" + date +
                   "\r\nGps-1=Alpha\r\nGps-2=Beta\r\nGps-3=Gamma\r\n"
                   "[Alpha]\r\nRel=2.40\r\n[Beta]\r\norg=b.org\r\n[Gamma]\r\nRel=\r\n");
}

void DialogFixture::createAndTick()
{
    ui::mainDialogCreate(*window, ui::kStateDisclaimer);
    ASSERT_TRUE(window->tick());
}

void DialogFixture::pressPage()
{
    ui::mainDialogCommand(*window, ui::IdPage, ui::NotifyNone);
}

std::vector<std::string> DialogFixture::messageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& box : boxes->messages)
        texts.push_back(box.text);
    return texts;
}
