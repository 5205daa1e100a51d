// The Update command run from the dialog, for real, against a server on the
// loopback address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/model_file.h"
#include "tests/ui/dialog_fixture.h"
#include "tests/ui/model_server.h"
#include "ui/main_dialog.h"

using namespace ui;
using testing_support::readText;
using testing_support::writeText;

class UpdateTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        url = server.url();
        updateCommandUrl = url.c_str();
    }
    static constexpr char kNewModels[] =
        "[GPS]\r\nDate=02.01.03\r\nGps-1=Delta\r\nGps-2=Echo\r\n[Delta]\r\nRel=3.00\r\n";
    ModelServer server;
    std::string url;
};

TEST_F(UpdateTest, ChangedModelFileRefillsTheListAtTheNextTick)
{
    writeThreeModels("01.10.02");
    createAndTick();
    pressPage();
    window->type(IdFirstEdit, "MINE");
    window->choose(1);
    ASSERT_EQ(dialogState, kStateModel);
    server.answer(200, kNewModels);
    window->statusHistory.clear();

    EXPECT_TRUE(mainDialogSysCommand(*window, CmdUpdate));
    EXPECT_EQ(window->statusHistory,
              (std::vector<std::string>{"Get updates from internet...", modelStatus("2.40")}));
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Wendrix.ini updated");
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbOk));
    EXPECT_EQ(boxes->messages[0].owner, window->handle());
    EXPECT_EQ(readText(modelFilePath), kNewModels);
    // Nothing changes before the tick.
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->list.size(), 4u);
    EXPECT_TRUE(window->timerArmed);
    EXPECT_EQ(window->timerPeriod, 100u);

    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Delta", "Echo"}));
    EXPECT_EQ(window->selection, 0);
    EXPECT_EQ(dialogState, kStateLines);
    EXPECT_STREQ(statusText, "Select a GPS model ...");
    EXPECT_EQ(window->text(IdStatus), "Select a GPS model ...");
    for (int i = 0; i < 7; ++i)
        EXPECT_FALSE(window->enabled(IdFirstEdit + i)) << i;
    EXPECT_TRUE(window->enabled(IdOk));
    EXPECT_TRUE(window->enabled(IdModelList));
    EXPECT_EQ(window->text(IdFirstPreview), "MINE");
}

TEST_F(UpdateTest, BeforePageTheStateAndStatusStay)
{
    writeThreeModels("01.10.02");
    createAndTick();
    server.answer(200, kNewModels);
    mainDialogSysCommand(*window, CmdUpdate);
    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Delta", "Echo"}));
    EXPECT_EQ(dialogState, kStateDisclaimer);
    EXPECT_STREQ(statusText, "Press page to continue ...");
    EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
    EXPECT_FALSE(window->enabled(IdModelList));
    EXPECT_FALSE(window->enabled(IdOk));
}

TEST_F(UpdateTest, SameDateNeedsNoRefill)
{
    writeThreeModels("02.01.03");
    createAndTick();
    pressPage();
    window->choose(1);
    server.answer(200, kNewModels);
    mainDialogSysCommand(*window, CmdUpdate);
    EXPECT_EQ(messageTexts(),
              (std::vector<std::string>{"You already have the most resent Wendrix.ini"}));
    EXPECT_FALSE(window->timerArmed);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->list.size(), 4u);
}

TEST_F(UpdateTest, DownloadMessagesBelongToTheStatusLine)
{
    writeThreeModels();
    createAndTick();
    server.answer(404, "<html>Not Found</html>");
    window->statusHistory.clear();
    mainDialogSysCommand(*window, CmdUpdate);
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Can't find updates on Internet");
    EXPECT_EQ(boxes->messages[0].owner, window->itemHandle(IdStatus));
    EXPECT_EQ(window->statusHistory.back(), "Press page to continue ...");
    EXPECT_FALSE(window->timerArmed);
}

TEST_F(UpdateTest, PatchRunThatAsksForUpdatesRunsTheCommandInsideOk)
{
    writeModelFile("[GPS]\r\nDate=01.10.02\r\nGps-1=Old\r\n[Old]\r\norg=none.org\r\n"
                   "rgn=none.rgn\r\ncrc=1234abcd\r\nlang=6\r\nRel=1.00\r\n");
    ASSERT_TRUE(writeText(work("UPDATER.EXE"), "MZ"));
    server.answer(200, kNewModels);
    answerYesNo = platform::IdYes;
    createAndTick();
    pressPage();
    window->choose(1);

    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_FALSE(window->ended);
    ASSERT_EQ(boxes->messages.size(), 2u);
    EXPECT_EQ(boxes->messages[0].text.rfind("Cannot read none.rgn!", 0), 0u);
    EXPECT_EQ(boxes->messages[1].text, "Wendrix.ini updated");
    EXPECT_EQ(server.requests(), 1);
    // The selection stays until the tick that the command armed.
    EXPECT_EQ(dialogState, kStateModel);
    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (std::vector<std::string>{"No Gps", "Delta", "Echo"}));
    EXPECT_EQ(window->selection, 0);
    EXPECT_EQ(dialogState, kStateLines);
}
