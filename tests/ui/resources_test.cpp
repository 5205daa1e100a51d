// The committed picture and icon are what the generator script makes, and
// their headers say what the program expects of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_helpers.h"

using testing_support::readBytes;

namespace {

const std::string kResources = WENDRIX_SOURCE_DIR "/ui/resources/";
const char* const kGenerated[] = {"warnbmp.bmp", "aaicon.ico", "wendrix-32.png",
                                  "wendrix-128.png"};

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b.at(at) | b.at(at + 1) << 8 | b.at(at + 2) << 16 | std::uint32_t(b.at(at + 3)) << 24;
}
std::uint16_t le16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
std::uint32_t be32(const std::vector<unsigned char>& b, std::size_t at)
{
    return std::uint32_t(b.at(at)) << 24 | b.at(at + 1) << 16 | b.at(at + 2) << 8 | b.at(at + 3);
}

} // namespace

TEST(Resources, CommittedFilesMatchAFreshRunOfTheScript)
{
#ifdef _WIN32
    GTEST_SKIP() << "the generator is run on the build host";
#else
    if (std::system("python3 -c pass >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    testing_support::TempDir out;
    const std::string command = "python3 '" WENDRIX_SOURCE_DIR "/scripts/make_resources.py' '" +
                                out.path() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : kGenerated) {
        std::vector<unsigned char> fresh, committed;
        ASSERT_TRUE(readBytes(out.file(name), fresh)) << name;
        ASSERT_TRUE(readBytes(kResources + name, committed)) << name;
        EXPECT_TRUE(fresh == committed) << name << " differs from a fresh run";
    }
#endif
}

TEST(Resources, PictureIs180By240With256PaletteEntries)
{
    std::vector<unsigned char> bmp;
    ASSERT_TRUE(readBytes(kResources + "warnbmp.bmp", bmp));
    ASSERT_GE(bmp.size(), 54u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), bmp.size());
    EXPECT_EQ(le32(bmp, 14), 40u);      // BITMAPINFOHEADER
    EXPECT_EQ(le32(bmp, 18), 180u);     // width
    EXPECT_EQ(le32(bmp, 22), 240u);     // height, bottom-up
    EXPECT_EQ(le16(bmp, 28), 8);        // bits per pixel
    EXPECT_EQ(le32(bmp, 30), 0u);       // uncompressed
    EXPECT_EQ(le32(bmp, 46), 256u);     // colours used
    EXPECT_EQ(le32(bmp, 10), 54u + 256 * 4); // pixels follow the palette
    EXPECT_EQ(bmp.size(), 54u + 256 * 4 + 180 * 240);
}

TEST(Resources, AreaUnderThePreviewsIsEmpty)
{
    std::vector<unsigned char> bmp;
    ASSERT_TRUE(readBytes(kResources + "warnbmp.bmp", bmp));
    ASSERT_EQ(bmp.size(), 54u + 256 * 4 + 180 * 240);
    const std::size_t pixels = le32(bmp, 10);
    auto at = [&](int x, int y) { return bmp[pixels + std::size_t(239 - y) * 180 + x]; };
    // The preview fields cover x 8..173, y 74..210 of the picture; inside
    // the frame everything is the screen's background colour.
    const unsigned char background = at(90, 140);
    int differing = 0;
    for (int y = 72; y <= 212; ++y)
        for (int x = 8; x <= 171; ++x)
            differing += at(x, y) != background;
    EXPECT_EQ(differing, 0);
    // And the frame itself is drawn around it.
    EXPECT_NE(at(3, 140), background);
    EXPECT_NE(at(90, 66), background);
    EXPECT_NE(at(90, 216), background);
}

TEST(Resources, IconIs32By32With16Colours)
{
    std::vector<unsigned char> ico;
    ASSERT_TRUE(readBytes(kResources + "aaicon.ico", ico));
    ASSERT_GE(ico.size(), 22u + 40u);
    EXPECT_EQ(le16(ico, 0), 0);  // reserved
    EXPECT_EQ(le16(ico, 2), 1);  // icon
    EXPECT_EQ(le16(ico, 4), 1);  // one image
    EXPECT_EQ(ico[6], 32);       // width
    EXPECT_EQ(ico[7], 32);       // height
    EXPECT_EQ(ico[8], 16);       // colours
    EXPECT_EQ(le16(ico, 12), 4); // bits per pixel
    const std::uint32_t size = le32(ico, 14);
    const std::uint32_t offset = le32(ico, 18);
    ASSERT_EQ(offset + size, ico.size());
    EXPECT_EQ(le32(ico, offset + 4), 32u);  // image width
    EXPECT_EQ(le32(ico, offset + 8), 64u);  // colour and mask rows
    EXPECT_EQ(le16(ico, offset + 14), 4);   // 4 bits
    // Header, 16 colours, 32 rows of 16 bytes, 32 mask rows of 4 bytes.
    EXPECT_EQ(size, 40u + 16 * 4 + 32 * 16 + 32 * 4);
}

TEST(Resources, DesktopIconsArePngsOfTheirNamedSize)
{
    for (auto [name, side] : {std::pair{"wendrix-32.png", 32u}, std::pair{"wendrix-128.png", 128u}}) {
        std::vector<unsigned char> png;
        ASSERT_TRUE(readBytes(kResources + name, png)) << name;
        ASSERT_GE(png.size(), 24u);
        EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        EXPECT_EQ(be32(png, 16), side) << name;
        EXPECT_EQ(be32(png, 20), side) << name;
    }
}
