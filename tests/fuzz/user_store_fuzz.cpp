// The per-user store reader on arbitrary store bytes: the stored lines are
// read from the damaged file, one more value is queried by name, and lines
// saved over it read back whole.
//
// Input: a byte for the query's buffer size, the name to query and the
// seven lines to save, each ended by a NUL byte; the rest is the store file.
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "config/reg_key.h"
#include "engine/field_line.h"
#include "engine/line_storage.h"
#include "engine/warning_lines.h"
#include "platform/cp1252.h"
#include "platform/platform.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// The store of this process, below the scratch folder; its path.
const std::string& valuesFile()
{
    static const std::string path = [] {
        const std::string config = fuzz::scratchFolder() + "/config";
        ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
        ::setenv("HOME", fuzz::scratchFolder().c_str(), 1);
        for (const std::string& folder : {config, config + "/Zarnek", config + "/Zarnek/Wendrix"})
            ::mkdir(folder.c_str(), 0700);
        return config + "/Zarnek/Wendrix/values";
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input input(data, size);
    const std::uint32_t room = input.byte();
    const std::string name = input.text();
    std::string lines[WarningLines::kCount];
    for (std::string& line : lines)
        line = input.text();
    fuzz::putFile(valuesFile(), input.rest());

    const StoredLines damaged = loadLines();
    for (int i = 0; i < WarningLines::kCount; ++i)
        FUZZ_CHECK(damaged.checks[i].ok() == (damaged.texts[i] == damaged.checks[i].line.text()));
    storedLinesReadable();

    // A query reports the value's size, and copies it only when it fits.
    platform::RegHandle key = 0;
    if (platform::regOpenKey(platform::kCurrentUser, kSettingsSubKey, platform::RegKeyRead, &key) ==
        platform::RegSuccess) {
        // Never a null buffer, even of 0 bytes: null asks for the size only.
        const std::unique_ptr<char[]> buffer(new char[room]);
        std::uint32_t size = room;
        const long result = platform::regQueryValue(key, name.c_str(), buffer.get(), &size);
        FUZZ_CHECK(result == platform::RegSuccess || result == platform::RegMoreData ||
                   result == platform::RegFileNotFound);
        if (result == platform::RegSuccess)
            FUZZ_CHECK(size <= room);
        if (result == platform::RegMoreData)
            FUZZ_CHECK(size > room);
        FUZZ_CHECK(platform::regCloseKey(key) == platform::RegSuccess);
    }

    // Saved over whatever the file held, the lines read back as they were
    // saved, and the store counts as whole.
    for (int i = 0; i < WarningLines::kCount; ++i)
        warningLines.setLine(i, fieldLine(platform::cp1252::decode(lines[i])).line);
    saveLines();
    const StoredLines stored = loadLines();
    for (int i = 0; i < WarningLines::kCount; ++i)
        FUZZ_CHECK(stored.checks[i].ok() && stored.checks[i].line == warningLines.line(i));
    FUZZ_CHECK(storedLinesReadable());
    return 0;
}
