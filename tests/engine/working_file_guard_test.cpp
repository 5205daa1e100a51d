// The working-file guard: a patch run replaces the working file only when
// it is the stock image or a patch of the pristine copy. Every byte outside
// the texts counts, the closing NUL of each text, the byte after it and the
// bytes after the last text included, and the file is compared in blocks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/firmware_image.h"
#include "engine/language_table.h"
#include "engine/working_file_guard.h"
#include "tests/engine/engine_fixture.h"
#include "tests/support/firmware_maker.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The guard reads the file in blocks of this size; a text that crosses a
// block's end is the case where the comparison must carry on across blocks.
constexpr std::size_t kBlock = 256 * 1024;

// An image of over two blocks whose first text crosses the end of the
// first block: generated texts behind a run of lower-case letters, which
// no keyword begins with.
MadeFirmware straddlingFirmware()
{
    MadeFirmware made = makeFirmware(600 * 1024, 10, 5);
    const std::size_t pad = kBlock - 10 - static_cast<std::size_t>(made.texts[0].start);
    made.bytes.insert(made.bytes.begin(), pad, 'a');
    for (MadeText& text : made.texts)
        text.start += static_cast<std::int32_t>(pad);
    return made;
}

class WorkingFileGuardTest : public ::testing::Test {
protected:
    // Whether the guard refuses `working` as the working file for `pristine`.
    bool refuses(const Bytes& pristine, const Bytes* working)
    {
        OwnedImage image(pristine);
        const std::int32_t located = locateTexts(image.image, 10);
        EXPECT_EQ(located, 10);
        const std::string path = dir.file("model.rgn");
        std::remove(path.c_str());
        if (working) {
            EXPECT_TRUE(testing_support::writeBytes(path, *working));
        }
        return holdsOtherFirmware(path.c_str(), image.image, languageTable, located);
    }

    testing_support::TempDir dir;
};

TEST_F(WorkingFileGuardTest, EveryByteOutsideTheTextsCounts)
{
    const MadeFirmware made = straddlingFirmware();
    const Bytes& stock = made.bytes;
    const MadeText& last = made.texts.back();
    const std::size_t afterLast = static_cast<std::size_t>(last.start + last.length) + 1;
    ASSERT_LT(afterLast + 1, stock.size()) << "bytes must follow the last text";
    ASSERT_GT(static_cast<std::size_t>(made.texts[0].start + made.texts[0].length), kBlock);

    // A patch: every text rewritten in place, its NUL kept.
    Bytes patched = stock;
    for (const MadeText& text : made.texts)
        for (std::int32_t i = 0; i < text.length; ++i)
            patched[static_cast<std::size_t>(text.start + i)] = static_cast<unsigned char>(i % 7 == 0 ? '\n' : 'P');
    const auto flipped = [&](std::size_t at) {
        Bytes bytes = patched;
        bytes.at(at) ^= 0x20;
        return bytes;
    };
    struct Case {
        std::string what;
        Bytes working;
        bool refused;
    };
    std::vector<Case> cases = {
        {"the stock image", stock, false},
        {"a patch of it", patched, false},
        {"byte 0", flipped(0), true},
        {"the last byte of the file", flipped(stock.size() - 1), true},
        {"the first byte after the last text's NUL", flipped(afterLast), true},
        {"the last block's first byte", flipped(2 * kBlock), true},
        {"one byte more", patched, true},
        {"one byte less", Bytes(patched.begin(), patched.end() - 1), true},
    };
    cases[6].working.push_back(0);
    for (std::size_t t = 0; t < made.texts.size(); ++t) {
        const MadeText& text = made.texts[t];
        const std::size_t start = static_cast<std::size_t>(text.start);
        const std::size_t nul = start + static_cast<std::size_t>(text.length);
        const std::string name = "text " + std::to_string(t + 1);
        cases.push_back({name + ": its first byte", flipped(start), false});
        cases.push_back({name + ": its last byte", flipped(nul - 1), false});
        cases.push_back({name + ": the byte before it", flipped(start - 1), true});
        cases.push_back({name + ": its NUL", flipped(nul), true});
        cases.push_back({name + ": the byte after its NUL", flipped(nul + 1), true});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(refuses(stock, &c.working), c.refused);
    }

    // Nothing to replace: no working file, or an empty one.
    EXPECT_FALSE(refuses(stock, nullptr));
    const Bytes empty;
    EXPECT_FALSE(refuses(stock, &empty));
}

// A text may run to the very end of the image without a NUL of its own:
// the bytes before it still count, its own bytes do not.
TEST_F(WorkingFileGuardTest, ATextAtTheEndOfTheImage)
{
    const MadeFirmware made = makeFirmware(64 * 1024, 10, 3);
    const MadeText& last = made.texts.back();
    const std::size_t end = static_cast<std::size_t>(last.start + last.length);
    const Bytes stock(made.bytes.begin(), made.bytes.begin() + static_cast<std::ptrdiff_t>(end));
    Bytes patched = stock;
    patched[end - 1] ^= 0x20;
    EXPECT_FALSE(refuses(stock, &patched));
    patched[static_cast<std::size_t>(last.start) - 1] ^= 0x20;
    EXPECT_TRUE(refuses(stock, &patched));
}

} // namespace
