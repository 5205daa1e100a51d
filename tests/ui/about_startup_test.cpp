// The About box's two handlers, and start-up's order of making and
// releasing the shared objects.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/model_file.h"
#include "log/run_log.h"
#include "tests/ui/fake_window.h"
#include "ui/about_dialog.h"
#include "ui/main_dialog.h"
#include "ui/startup.h"

using namespace ui;

TEST(AboutBox, ShowsNameAndVersionInPlaceOfTheTemplateTexts)
{
    FakeWindow box(false);
    aboutDialogCreate(box);
    EXPECT_EQ(box.text(IdAboutTitle), "Zarnek Wendrix");
    EXPECT_EQ(box.text(IdAboutVersion), "1.4.1.12");
    EXPECT_FALSE(box.ended);
}

TEST(AboutBox, OkAndCancelEndItWithZero)
{
    for (int id : {int(IdOk), int(IdCancel)}) {
        FakeWindow box(false);
        aboutDialogCreate(box);
        EXPECT_TRUE(aboutDialogCommand(box, id));
        EXPECT_TRUE(box.ended);
        EXPECT_EQ(box.result, 0);
    }
}

TEST(AboutBox, OtherCommandsAreNotHandled)
{
    FakeWindow box(false);
    for (int id : {0, 3, int(IdAboutTitle), 1004}) {
        EXPECT_FALSE(aboutDialogCommand(box, id));
        EXPECT_FALSE(box.ended);
    }
}

namespace {

// Records what start-up asks for and checks the shared objects meanwhile.
class RecordingFrontEnd : public FrontEnd {
public:
    void* loadPicture() override
    {
        calls.push_back(runLog != nullptr ? "picture after log" : "picture");
        return &picture;
    }
    void* loadIcon() override
    {
        calls.push_back("icon");
        return &icon;
    }
    void* createPreviewFont() override
    {
        calls.push_back("font");
        return &font;
    }
    int runMainDialog(std::int32_t parameter) override
    {
        calls.push_back("dialog " + std::to_string(parameter));
        logPresent = runLog != nullptr;
        if (runLog != nullptr)
            logPath = runLog->path;
        seenModelPath = modelFilePath;
        sharedSet = warningBitmap == &picture && appIcon == &icon && previewFont == &font &&
                    appInstance == &instance;
        return result;
    }
    void deleteFont(void* value) override
    {
        calls.push_back(value == &font ? "delete font" : "delete ?");
    }
    void deletePicture(void* value) override
    {
        calls.push_back(value == &picture ? "delete picture" : "delete ?");
        logStillThere = runLog != nullptr;
    }

    int picture = 0, icon = 0, font = 0, instance = 0;
    int result = 0;
    std::vector<std::string> calls;
    bool logPresent = false;
    bool logStillThere = false;
    bool sharedSet = false;
    std::string logPath;
    std::string seenModelPath;
};

std::string withLastFourReplaced(std::string path, const char* four)
{
    if (path.size() >= 4)
        path.replace(path.size() - 4, 4, four);
    return path;
}

} // namespace

TEST(StartUp, MakesSharedObjectsInOrderRunsTheDialogAndCleansUp)
{
    RecordingFrontEnd frontEnd;
    EXPECT_EQ(runProgram(&frontEnd.instance, frontEnd), 0);
    EXPECT_EQ(frontEnd.calls,
              (std::vector<std::string>{"picture after log", "icon", "font", "dialog 400",
                                        "delete font", "delete picture"}));
    EXPECT_TRUE(frontEnd.logPresent);
    EXPECT_TRUE(frontEnd.logStillThere); // the log goes last
    EXPECT_TRUE(frontEnd.sharedSet);
    EXPECT_EQ(runLog, nullptr);
    EXPECT_EQ(previewFont, nullptr);
    EXPECT_EQ(warningBitmap, nullptr);
}

TEST(StartUp, ModelFileAndLogSitBesideTheExecutable)
{
    char exe[260];
    platform::executablePath(exe, sizeof exe);
    RecordingFrontEnd frontEnd;
    runProgram(&frontEnd.instance, frontEnd);
    EXPECT_EQ(frontEnd.seenModelPath, withLastFourReplaced(exe, ".ini"));
    EXPECT_EQ(frontEnd.logPath, withLastFourReplaced(exe, ".LOG"));
}

TEST(StartUp, ExitCodeIsZeroWhateverTheDialogReturns)
{
    for (int result : {1, 0, -1}) {
        RecordingFrontEnd frontEnd;
        frontEnd.result = result;
        EXPECT_EQ(runProgram(&frontEnd.instance, frontEnd), 0) << result;
        EXPECT_EQ(frontEnd.calls.back(), "delete picture");
    }
}
