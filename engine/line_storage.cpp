#include "engine/line_storage.h"

#include <cstdio>

#include "config/model_file.h"
#include "config/reg_key.h"
#include "engine/warning_lines.h"
#include "platform/platform.h"

namespace {

constexpr char kSection[] = "WARNING";
// A line read from either store is read whole, so that an over-long one is
// refused for its length rather than cut.
constexpr std::uint32_t kValueBuffer = 256;

void valueName(int index, char (&name)[24])
{
    std::snprintf(name, sizeof name, "Text-%d", index + 1);
}

} // namespace

int StoredLines::firstRefused() const
{
    for (int i = 0; i < WarningLines::kCount; ++i)
        if (!checks[i].ok())
            return i;
    return -1;
}

StoredLines loadLines()
{
    StoredLines stored;
    RegKey key;
    key.openUser(kSettingsSubKey, 0);
    for (int i = 0; i < WarningLines::kCount; ++i) {
        char name[24];
        valueName(i, name);
        // A value that cannot be read (over 255 characters) is an empty line.
        char value[kValueBuffer] = "";
        if (key.status == 0) {
            if (key.queryString(name, value, "") != 0)
                value[0] = '\0';
        } else {
            readModelValue(kSection, name, "", value, sizeof value);
        }
        stored.texts[i] = value;
        stored.checks[i] = checkAnsiLine(stored.texts[i]);
    }
    key.close();
    return stored;
}

namespace {
// Why the per-user key could not be opened, from its status.
std::string whyNoKey(std::int32_t status)
{
    const std::string store = "the per-user store " + lineStoreName();
    if (status == platform::RegFileNotFound)
        return store + " cannot be created";
    if (status == platform::RegAccessDenied)
        return store + " may not be opened";
    return store + " cannot be opened (error " + std::to_string(status) + ")";
}
} // namespace

SavedLines saveLines()
{
    SavedLines saved;
    RegKey key;
    key.openUser(kSettingsSubKey, 1);
    if (key.status == 0) {
        bool all = true;
        for (int i = 0; i < WarningLines::kCount; ++i) {
            char name[24];
            valueName(i, name);
            all = key.setString(name, warningLines.lineText(i)) == 0 && all;
        }
        // The values reach the key's file only when it is closed.
        if (key.close() != 0 || !all)
            saved = {SavedLines::Store::Nowhere, lineStoreName() + " cannot be written"};
        return saved;
    }
    saved = {SavedLines::Store::ModelFile, whyNoKey(key.status)};
    // Writes never go through a link: the file it leads to may be anybody's.
    if (platform::isLink(modelFilePath))
        return {SavedLines::Store::Nowhere,
                saved.why + ", and " + modelFilePath + " is a link, which is never written through"};
    bool all = true;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        char name[24];
        valueName(i, name);
        all = writeModelValue(kSection, name, warningLines.lineText(i)) && all;
    }
    if (!all)
        return {SavedLines::Store::Nowhere, saved.why + ", and " + modelFilePath + " cannot be written"};
    // Lines in the model file are read back only while there is no key.
    if (key.openUser(kSettingsSubKey, 0) == 0)
        return {SavedLines::Store::Nowhere, lineStoreName() + " cannot be written"};
    return saved;
}

std::string linesSavedInModelFile(const SavedLines& saved)
{
    return std::string("Your lines were saved in ") + modelFilePath + " because " + saved.why + ".";
}

std::string lineStoreName()
{
    char file[1024];
    if (platform::regKeyFile(platform::kCurrentUser, kSettingsSubKey, file, sizeof file) > 0)
        return file;
    return std::string("HKEY_CURRENT_USER\\") + kSettingsSubKey;
}

bool storedLinesReadable()
{
    RegKey key;
    const std::int32_t status = key.openUser(kSettingsSubKey, 0);
    if (status == platform::RegFileNotFound)
        return true;
    if (status != 0)
        return false;
    int missing = 0;
    for (int i = 0; i < WarningLines::kCount; ++i) {
        char name[24];
        valueName(i, name);
        char value[256];
        const std::int32_t result = key.queryString(name, value, "");
        if (result == platform::RegFileNotFound)
            ++missing;
        else if (result != 0)
            return false;
    }
    if (missing == 0)
        return true;
    // A key that holds no line at all, and no file of values either, is one
    // whose first save never got through (a full disk): no lines are stored.
    // A key that lacks only some lines has lost them.
    char file[1024];
    const bool noFile = platform::regKeyFile(platform::kCurrentUser, kSettingsSubKey, file, sizeof file) == 0 ||
                        !platform::fileExists(file);
    return missing == WarningLines::kCount && noFile;
}
