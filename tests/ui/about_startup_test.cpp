// The About box's two handlers, and start-up's order of making and
// releasing the shared objects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/model_file.h"
#include "log/run_log.h"
#include "tests/ui/fake_window.h"
#include "ui/about_dialog.h"
#include "ui/startup.h"

using namespace ui;

TEST(AboutBox, ShowsNameAndVersionCentredOverTheMainDialogAndEndsOnlyOnOkOrCancel)
{
    for (int id : {int(IdOk), int(IdCancel)}) {
        FakeWindow box(false), main;
        box.rect = {0, 0, 345, 122};
        main.rect = {600, 400, 1104, 713}; // near the screen's corner
        aboutDialogCreate(box, id == IdOk ? &main : nullptr);
        EXPECT_EQ(box.text(IdAboutTitle), "Zarnek Wendrix");
        EXPECT_EQ(box.text(IdAboutVersion), "1.4.1.12");
        // Over the main dialog even where that one reaches off the screen;
        // without it, in the middle of the screen.
        EXPECT_EQ(box.moves, (std::vector<std::pair<int, int>>{
                                 id == IdOk ? std::pair{600 + (504 - 345) / 2, 400 + (313 - 122) / 2}
                                            : std::pair{(1024 - 345) / 2, (768 - 122) / 2}}));
        for (int other : {0, 3, int(IdAboutTitle), 1004})
            EXPECT_FALSE(aboutDialogCommand(box, other)) << other;
        EXPECT_FALSE(box.ended);
        EXPECT_TRUE(aboutDialogCommand(box, id));
        EXPECT_TRUE(box.ended);
        EXPECT_EQ(box.result, 0);
    }
}

namespace {

// Records what start-up asks for and what the shared objects are meanwhile.
struct RecordingFrontEnd : FrontEnd {
    void* loadPicture() override
    {
        calls.push_back(runLog != nullptr ? "picture after log" : "picture");
        return &picture;
    }
    void* loadIcon() override { return calls.push_back("icon"), &icon; }
    void* createPreviewFont() override { return calls.push_back("font"), &font; }
    int runMainDialog(std::int32_t parameter) override
    {
        calls.push_back("dialog " + std::to_string(parameter));
        logPath = runLog != nullptr ? runLog->path : "no log";
        modelPath = modelFilePath;
        sharedSet = warningBitmap == &picture && appIcon == &icon && previewFont == &font && appInstance == &instance;
        return result;
    }
    void deleteFont(void* value) override { calls.push_back(value == &font ? "delete font" : "delete ?"); }
    void deletePicture(void* value) override
    {
        calls.push_back(value == &picture ? "delete picture" : "delete ?");
        logStillThere = runLog != nullptr;
    }

    int picture = 0, icon = 0, font = 0, instance = 0;
    int result = 0;
    std::vector<std::string> calls;
    bool logStillThere = false, sharedSet = false;
    std::string logPath, modelPath;
};

std::string withLastFourReplaced(std::string path, const char* four)
{
    return path.size() >= 4 ? path.replace(path.size() - 4, 4, four) : path;
}

} // namespace

TEST(StartUp, MakesSharedObjectsInOrderRunsTheDialogAndCleansUpWithExitCodeZero)
{
    char exe[260];
    platform::executablePath(exe, sizeof exe);
    for (int result : {1, 0, -1}) { // success, Cancel, a dialog that could not be made
        SCOPED_TRACE(result);
        RecordingFrontEnd frontEnd;
        frontEnd.result = result;
        EXPECT_EQ(runProgram(&frontEnd.instance, frontEnd), 0);
        EXPECT_EQ(frontEnd.calls, (std::vector<std::string>{"picture after log", "icon", "font", "dialog 400",
                                                             "delete font", "delete picture"}));
        EXPECT_TRUE(frontEnd.logStillThere); // the log goes last
        EXPECT_TRUE(frontEnd.sharedSet);
        // Model file and log sit beside the executable.
        EXPECT_EQ(frontEnd.modelPath, withLastFourReplaced(exe, ".ini"));
        EXPECT_EQ(frontEnd.logPath, withLastFourReplaced(exe, ".LOG"));
        EXPECT_EQ(runLog, nullptr);
        EXPECT_EQ(previewFont, nullptr);
        EXPECT_EQ(warningBitmap, nullptr);
    }
}
