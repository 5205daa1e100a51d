// The Update command run from the dialog, for real, against a server on the
// loopback address.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/ui/dialog_fixture.h"
#include "tests/ui/model_server.h"

using namespace ui;
using Strings = std::vector<std::string>;

class UpdateTest : public DialogFixture {
protected:
    void SetUp() override
    {
        DialogFixture::SetUp();
        url = server.url();
        updateCommandUrl = url.c_str();
        server.answer(200, kNewModels);
    }
    static constexpr char kNewModels[] =
        "[GPS]\r\nDate=02.01.03\r\nGps-1=Delta\r\nGps-2=Echo\r\n[Delta]\r\norg=d.org\r\nrgn=d.rgn\r\n"
        "crc=1c4e1d7a\r\nlang=1\r\nRel=3.00\r\n[Echo]\r\norg=e.org\r\nrgn=e.rgn\r\ncrc=1c4e1d7b\r\nlang=1\r\n"
        "Rel=1.00\r\n";
    // What the result message adds when models of the old file are gone.
    static std::string dropped(const std::string& names)
    {
        return "\nNo longer listed: " + names + "\nThe previous file is kept as " + std::string(modelFilePath) +
               ".bak";
    }
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
    window->statusHistory.clear();

    EXPECT_TRUE(mainDialogSysCommand(*window, CmdUpdate));
    EXPECT_EQ(window->statusHistory, (Strings{"Get updates from internet...", modelStatus("2.40")}));
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Wendrix.ini updated" + dropped("Alpha, Beta, Gamma"));
    EXPECT_EQ(boxes->messages[0].style, unsigned(platform::MbOk));
    EXPECT_EQ(boxes->messages[0].owner, window->handle());
    EXPECT_EQ(testing_support::readText(modelFilePath), kNewModels);
    // Nothing changes before the tick.
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->list.size(), 4u);
    EXPECT_TRUE(window->timerArmed);
    EXPECT_EQ(window->timerPeriod, 100u);

    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (Strings{"No Gps", "Delta", "Echo"}));
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
    mainDialogSysCommand(*window, CmdUpdate);
    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (Strings{"No Gps", "Delta", "Echo"}));
    EXPECT_EQ(dialogState, kStateDisclaimer);
    EXPECT_STREQ(statusText, "Press page to continue ...");
    EXPECT_EQ(window->text(IdStatus), "Press page to continue ...");
    EXPECT_FALSE(window->enabled(IdModelList));
    EXPECT_FALSE(window->enabled(IdOk));
}

TEST_F(UpdateTest, SameDateOrFailedDownloadArmsNoRefill)
{
    writeThreeModels("02.01.03");
    openOnModel(1);
    mainDialogSysCommand(*window, CmdUpdate);
    EXPECT_EQ(messageTexts(),
              (Strings{"You already have the most resent Wendrix.ini" + dropped("Alpha, Beta, Gamma")}));
    EXPECT_FALSE(window->timerArmed);
    EXPECT_EQ(dialogState, kStateModel);
    EXPECT_EQ(window->list.size(), 4u);

    // Download messages belong to the status line.
    boxes->messages.clear();
    server.answer(404, "<html>Not Found</html>");
    mainDialogSysCommand(*window, CmdUpdate);
    ASSERT_EQ(boxes->messages.size(), 1u);
    EXPECT_EQ(boxes->messages[0].text, "Can't find updates on Internet");
    EXPECT_EQ(boxes->messages[0].owner, window->itemHandle(IdStatus));
    EXPECT_EQ(window->statusHistory.back(), modelStatus("2.40"));
    EXPECT_FALSE(window->timerArmed);
}

TEST_F(UpdateTest, PatchRunThatAsksForUpdatesRunsTheCommandInsideOk)
{
    writeModelFile("[GPS]\r\nDate=01.10.02\r\nGps-1=Old\r\n[Old]\r\norg=none.org\r\n"
                   "rgn=none.rgn\r\ncrc=1234abcd\r\nlang=6\r\nRel=1.00\r\n");
    ASSERT_TRUE(testing_support::writeText(work("UPDATER.EXE"), "MZ"));
    answerYesNo = platform::IdYes;
    openOnModel(1);
    window->type(IdFirstEdit, "PROPERTY OF"); // seven empty lines would ask first

    mainDialogCommand(*window, IdOk, NotifyNone);
    EXPECT_FALSE(window->ended);
    ASSERT_EQ(boxes->messages.size(), 2u);
    EXPECT_EQ(boxes->messages[0].text.rfind("Cannot read none.rgn!", 0), 0u);
    EXPECT_EQ(boxes->messages[1].text, "Wendrix.ini updated" + dropped("Old"));
    EXPECT_EQ(server.requests(), 1);
    // The selection stays until the tick that the command armed.
    EXPECT_EQ(dialogState, kStateModel);
    ASSERT_TRUE(window->tick());
    EXPECT_EQ(window->list, (Strings{"No Gps", "Delta", "Echo"}));
    EXPECT_EQ(window->selection, 0);
    EXPECT_EQ(dialogState, kStateLines);
}
