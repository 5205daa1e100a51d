// The one rule for the firmware names of a model file: no two models share
// a firmware file, and no name is one that Windows cannot hold. Each
// refusal names the models it concerns.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/model_file_check.h"

namespace {

TEST(ModelFileCheckTest, ClashesAndNamesWindowsCannotHoldAreRefused)
{
    struct Case {
        std::vector<ModelFiles> models;
        std::string refusal; // empty: usable
    };
    const std::vector<Case> cases = {
        {{{"A", "a.org", "a.rgn"}, {"B", "b.org", "b.rgn"}}, ""},
        // One pristine copy for two models, in any spelling Windows takes as one.
        {{{"A", "fw/x.org", "a.rgn"}, {"B", "FW\\.\\X.ORG", "b.rgn"}},
         "[A] and [B] name the same pristine copy: fw/x.org"},
        // A pristine copy that is another model's working file, either way round.
        {{{"A", "a.org", "b.org"}, {"B", "b.org", "b.rgn"}},
         "[A] would write its working file over the pristine copy of [B]: b.org"},
        {{{"A", "b.rgn", "a.rgn"}, {"B", "b.org", "b.rgn"}},
         "[A] would write its pristine copy over the working file of [B]: b.rgn"},
        // Two models with one working file, and one section listed twice, are no clash.
        {{{"A", "a.org", "x.rgn"}, {"B", "b.org", "x.rgn"}}, ""},
        {{{"Model A", "a.org", "a.rgn"}, {"model a", "a.org", "a.rgn"}}, ""},
        // Device names, with or without an extension, in any letter case, in any part.
        {{{"A", "CON", "a.rgn"}}, "[A] names CON: CON is a device on Windows, not a file"},
        {{{"A", "a.org", "nul.tar.gz"}}, "[A] names nul.tar.gz: nul.tar.gz is a device on Windows, not a file"},
        {{{"A", "aux/a.org", "a.rgn"}}, "[A] names aux/a.org: aux is a device on Windows, not a file"},
        {{{"A", "Com7.org", "a.rgn"}}, "[A] names Com7.org: Com7.org is a device on Windows, not a file"},
        {{{"A", "lpt9", "a.rgn"}}, "[A] names lpt9: lpt9 is a device on Windows, not a file"},
        {{{"A", "prn .org", "a.rgn"}}, "[A] names prn .org: prn .org is a device on Windows, not a file"},
        {{{"A", "com\xb9.org", "a.rgn"}}, "[A] names com\xb9.org: com\xb9.org is a device on Windows, not a file"},
        {{{"A", "conin$", "a.rgn"}}, "[A] names conin$: conin$ is a device on Windows, not a file"},
        // Names close to a device that are files.
        {{{"A", "com0.org", "con1.rgn"}, {"B", "console.org", "lpt10"}, {"C", "nulls.org", "c.aux"}}, ""},
        // A name that ends in a dot or a blank is another file on Windows.
        {{{"A", "a.org.", "a.rgn"}},
         "[A] names a.org.: Windows drops the dot or blank at the end of a.org., so it would be another file"},
        {{{"A", "a.org", "fw. /a.rgn"}},
         "[A] names fw. /a.rgn: Windows drops the dot or blank at the end of fw. , so it would be another file"},
        {{{"A", "../a.org", "./a.rgn"}}, ""},
        // Names from a download are shown without their control characters.
        {{{"A\x1b[2J", "a.org", "a.rgn"}, {"B", "a.org", "b.rgn"}},
         "[A?[2J] and [B] name the same pristine copy: a.org"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.models[0].org + " " + c.models[0].rgn);
        EXPECT_EQ(firmwareNamesRefusal(c.models, NameMatch::ByName), c.refusal);
    }

    // What a model to be added is held to: a name of its own, and files no
    // other model names.
    for (const char* usable : {"a.org", "fw/a.rgn", "../fw/x.org", "com0", "nulls.rgn"})
        EXPECT_TRUE(isUsableFirmwareName(usable)) << usable;
    for (const char* refused : {"", "a\n.org", "con", "fw/AUX.rgn", "a.org.", "a.org "})
        EXPECT_FALSE(isUsableFirmwareName(refused)) << refused;
    EXPECT_EQ(sharedFirmwareRefusal({"New", "b.rgn", "n.rgn"}, {{"A", "a.org", "a.rgn"}, {"B", "b.org", "B.RGN"}}),
              "[New] would write its pristine copy over the working file of [B]: b.rgn");
    EXPECT_EQ(sharedFirmwareRefusal({"New", "n.org", "n.rgn"}, {{"A", "a.org", "a.rgn"}}), "");

    // With one model in view only its own names and clashes count.
    const std::vector<ModelFiles> models = {
        {"A", "a.org", "a.rgn"}, {"B", "x.org", "b.rgn"}, {"C", "x.org", "c.rgn"}, {"D", "CON", "d.rgn"}};
    EXPECT_EQ(firmwareNamesRefusal(models, NameMatch::ByName, 0), "");
    EXPECT_EQ(firmwareNamesRefusal(models, NameMatch::ByName, 2), "[C] and [B] name the same pristine copy: x.org");
    EXPECT_EQ(firmwareNamesRefusal(models, NameMatch::ByName, 3), "[D] names CON: CON is a device on Windows, not a file");
    EXPECT_EQ(firmwareNamesRefusal(models, NameMatch::ByName), "[B] and [C] name the same pristine copy: x.org");
}

} // namespace
