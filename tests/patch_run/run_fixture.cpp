#include "tests/support/checked_lines.h"
#include "tests/patch_run/run_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "config/model_file.h"
#include "engine/line_storage.h"
#include "engine/warning_lines.h"

namespace fs = std::filesystem;
using testing_support::readText;

void setEnvironment(const char* name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    _putenv_s(name, value ? value->c_str() : "");
#else
    if (value)
        ::setenv(name, value->c_str(), 1);
    else
        ::unsetenv(name);
#endif
}

void PatchRunFixture::SetUp()
{
    for (const char* sub : {"work", "prog", "config", "bin"}) {
        fs::create_directories(root.file(sub));
        fs::permissions(root.file(sub), fs::perms::all, fs::perm_options::replace);
    }
    savedCwd = fs::current_path().string();
    fs::current_path(root.file("work"));
    for (const char* name : {"HOME", "XDG_CONFIG_HOME", "PATH"}) {
        const char* value = std::getenv(name);
        savedEnv.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
    }
    setEnvironment("HOME", root.file("config"));
    setEnvironment("XDG_CONFIG_HOME", root.file("config"));
#ifndef _WIN32
    // Only the stand-ins can be found: no real xdg-open, no real wine.
    setEnvironment("PATH", root.file("bin"));
    const std::string opener = root.file("bin/xdg-open");
    testing_support::writeText(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + root.file("opened.txt") + "'\n");
    fs::permissions(opener, fs::perms::all, fs::perm_options::replace);
#endif

    const std::string model = root.file("prog/wendrix.ini");
    ASSERT_LT(model.size(), sizeof modelFilePath);
    std::snprintf(modelFilePath, sizeof modelFilePath, "%s", model.c_str());
    log = std::make_unique<RunLog>(root.file("prog/wendrix.exe").c_str());
    logPath = root.file("prog/wendrix.LOG");
    runLog = log.get();

    boxes = std::make_unique<testing_support::RecordingMessageBoxes>();
    boxes->answerFor = [this](const testing_support::RecordedMessage& box) {
        const unsigned buttons = box.style & 0x0F;
        return buttons == platform::MbYesNo ? answerYesNo
               : buttons == platform::MbOkCancel ? answerOkCancel : int(platform::IdOk);
    };
    platform::setSysCommandHandler(
        [this](platform::WindowHandle, int command) { sysCommands.push_back(command); });
    setLines({});
}

void PatchRunFixture::TearDown()
{
    platform::setSysCommandHandler(nullptr);
    boxes.reset();
    runLog = nullptr;
    log.reset();
    fs::current_path(savedCwd);
    for (const auto& [name, value] : savedEnv)
        setEnvironment(name.c_str(), value);
}

void PatchRunFixture::writeModel(const std::string& section, const char* org, const char* rgn,
                                 const char* crc, const char* lang)
{
    std::string text = "[GPS]\r\nDate=01.10.02\r\nGps-1=" + section + "\r\n[" + section + "]\r\n";
    const std::pair<const char*, const char*> keys[] = {{"org", org}, {"rgn", rgn}, {"crc", crc}, {"lang", lang}};
    for (const auto& [key, value] : keys)
        if (value)
            text += std::string(key) + "=" + value + "\r\n";
    ASSERT_TRUE(testing_support::writeText(root.file("prog/wendrix.ini"), text + "Rel=2.40\r\n"));
}

void PatchRunFixture::putWork(const std::string& name, const std::vector<unsigned char>& bytes)
{
    ASSERT_TRUE(testing_support::writeBytes(workFile(name), bytes));
}

std::vector<unsigned char> PatchRunFixture::workBytes(const std::string& name) const
{
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(testing_support::readBytes(workFile(name), bytes)) << name << " cannot be read";
    return bytes;
}

void PatchRunFixture::setLines(const run_expect::Lines& lines)
{
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, testing_support::checkedLine(lines[static_cast<std::size_t>(i)]));
}

run_expect::Lines PatchRunFixture::storedLines()
{
    const StoredLines stored = loadLines();
    run_expect::Lines lines;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        EXPECT_TRUE(stored.checks[i].ok()) << "stored line " << i + 1;
        lines[static_cast<std::size_t>(i)] = stored.texts[i];
    }
    return lines;
}

std::vector<std::string> PatchRunFixture::logLines() const
{
    return run_expect::splitLog(readText(logPath));
}

std::vector<std::string> PatchRunFixture::messageTexts() const
{
    std::vector<std::string> texts;
    for (const auto& box : boxes->messages)
        texts.push_back(box.text);
    return texts;
}

MadeFirmware standardFirmware(int textCount, std::uint32_t seed)
{
    return makeFirmware(64 * 1024, textCount, seed);
}
