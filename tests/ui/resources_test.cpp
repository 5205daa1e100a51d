// The committed picture and icons are what the generator script makes, and
// their headers say what the program expects of them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_helpers.h"

namespace {

const std::string kResources = WENDRIX_SOURCE_DIR "/ui/resources/";

std::vector<unsigned char> resource(const char* name)
{
    std::vector<unsigned char> bytes;
    EXPECT_TRUE(testing_support::readBytes(kResources + name, bytes)) << name;
    return bytes;
}
// Little-endian (or, with `big`, big-endian) value of `size` bytes at `at`.
std::uint32_t number(const std::vector<unsigned char>& b, std::size_t at, int size, bool big = false)
{
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= std::uint32_t(b.at(at + (big ? size - 1 - i : i))) << (8 * i);
    return value;
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
    const std::string command = "python3 '" WENDRIX_SOURCE_DIR "/scripts/make_resources.py' '" + out.path() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char* name : {"warnbmp.bmp", "aaicon.ico", "wendrix-32.png", "wendrix-128.png"}) {
        std::vector<unsigned char> fresh;
        ASSERT_TRUE(testing_support::readBytes(out.file(name), fresh)) << name;
        EXPECT_TRUE(fresh == resource(name)) << name << " differs from a fresh run";
    }
#endif
}

TEST(Resources, PictureIs180By240With256PaletteEntriesAndAnEmptyFrame)
{
    const std::vector<unsigned char> bmp = resource("warnbmp.bmp");
    ASSERT_EQ(bmp.size(), 54u + 256 * 4 + 180 * 240);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(number(bmp, 2, 4), bmp.size());
    EXPECT_EQ(number(bmp, 14, 4), 40u);  // BITMAPINFOHEADER
    EXPECT_EQ(number(bmp, 18, 4), 180u); // width
    EXPECT_EQ(number(bmp, 22, 4), 240u); // height, bottom-up
    EXPECT_EQ(number(bmp, 28, 2), 8u);   // bits per pixel
    EXPECT_EQ(number(bmp, 30, 4), 0u);   // uncompressed
    EXPECT_EQ(number(bmp, 46, 4), 256u); // colours used
    EXPECT_EQ(number(bmp, 10, 4), 54u + 256 * 4); // pixels follow the palette

    auto pixel = [&](int x, int y) { return bmp[54 + 256 * 4 + std::size_t(239 - y) * 180 + x]; };
    // The preview fields cover x 8..173, y 74..210: inside the frame only the background.
    const unsigned char background = pixel(90, 140);
    int differing = 0;
    for (int y = 72; y <= 212; ++y)
        for (int x = 8; x <= 171; ++x)
            differing += pixel(x, y) != background;
    EXPECT_EQ(differing, 0);
    // And the frame itself is drawn around it.
    EXPECT_NE(pixel(3, 140), background);
    EXPECT_NE(pixel(90, 66), background);
    EXPECT_NE(pixel(90, 216), background);
}

TEST(Resources, IconIs32By32With16Colours)
{
    const std::vector<unsigned char> ico = resource("aaicon.ico");
    ASSERT_GE(ico.size(), 22u + 40u);
    const std::uint32_t size = number(ico, 14, 4), offset = number(ico, 18, 4);
    ASSERT_EQ(offset + size, ico.size());
    EXPECT_EQ(number(ico, 0, 2), 0u); // reserved
    EXPECT_EQ(number(ico, 2, 2), 1u); // icon
    EXPECT_EQ(number(ico, 4, 2), 1u); // one image
    EXPECT_EQ(ico[6], 32);            // width
    EXPECT_EQ(ico[7], 32);            // height
    EXPECT_EQ(ico[8], 16);            // colours
    EXPECT_EQ(number(ico, 12, 2), 4u);      // bits per pixel
    EXPECT_EQ(number(ico, offset + 4, 4), 32u); // image width
    EXPECT_EQ(number(ico, offset + 8, 4), 64u); // colour and mask rows
    EXPECT_EQ(number(ico, offset + 14, 2), 4u); // 4 bits
    // Header, 16 colours, 32 rows of 16 bytes, 32 mask rows of 4 bytes.
    EXPECT_EQ(size, 40u + 16 * 4 + 32 * 16 + 32 * 4);
}

TEST(Resources, DesktopIconsArePngsOfTheirNamedSize)
{
    for (auto [name, side] : {std::pair{"wendrix-32.png", 32u}, std::pair{"wendrix-128.png", 128u}}) {
        SCOPED_TRACE(name);
        const std::vector<unsigned char> png = resource(name);
        ASSERT_GE(png.size(), 24u);
        EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
        EXPECT_EQ(number(png, 16, 4, true), side);
        EXPECT_EQ(number(png, 20, 4, true), side);
    }
}
