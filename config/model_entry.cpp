#include "config/model_entry.h"

#include <cstdio>
#include <vector>

#include "config/model_list.h"
#include "platform/platform.h"

namespace {

// Buffer sizes as the patch run and the dialog read the keys.
constexpr std::uint32_t kPathBuffer = 259;
constexpr std::uint32_t kNameBuffer = 60;
constexpr std::uint32_t kNumberBuffer = 30;

std::string readValue(const char* file, const std::string& section, const char* key, const char* def,
                      std::uint32_t size)
{
    std::vector<char> value(size);
    platform::getProfileString(section.c_str(), key, def, value.data(), size, file);
    return value.data();
}

// The keys of a model's section, in the order they are written.
struct Key {
    const char* name;
    std::string ModelEntry::*value;
    std::uint32_t size;
};
constexpr Key kKeys[] = {
    {"org", &ModelEntry::org, kPathBuffer},    {"rgn", &ModelEntry::rgn, kPathBuffer},
    {"crc", &ModelEntry::crc, kNumberBuffer},  {"lang", &ModelEntry::lang, kNumberBuffer},
    {"Rel", &ModelEntry::rel, kNameBuffer},
};

// Writes the entry into the INI file `file` as model `number`; true when it
// reads back as written.
bool writeEntry(const char* file, const ModelEntry& entry, int number)
{
    char key[32];
    std::snprintf(key, sizeof key, "Gps-%d", number);
    bool ok = platform::writeProfileString("GPS", key, entry.name.c_str(), file);
    for (const Key& k : kKeys)
        ok = ok && platform::writeProfileString(entry.name.c_str(), k.name, (entry.*k.value).c_str(), file);
    if (entry.own)
        ok = ok && platform::writeProfileString(entry.name.c_str(), "Own", "1", file);
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    if (!ok)
        return false;
    const std::vector<std::string> models = readModelList(file, number);
    if (models.size() != static_cast<std::size_t>(number) || models.back() != entry.name)
        return false;
    const ModelEntry back = readModelEntry(file, entry.name);
    for (const Key& k : kKeys)
        if (back.*k.value != entry.*k.value)
            return false;
    return back.own == entry.own;
}

} // namespace

ModelEntry readModelEntry(const char* file, const std::string& name)
{
    ModelEntry entry;
    entry.name = name;
    for (const Key& k : kKeys)
        entry.*k.value = readValue(file, name, k.name, k.value == &ModelEntry::rel ? "??" : "", k.size);
    entry.own = isOwnModel(file, name);
    return entry;
}

bool isOwnModel(const char* file, const std::string& name)
{
    return readValue(file, name, "Own", "", kNumberBuffer) == "1";
}

int appendModelEntry(const char* file, const ModelEntry& entry)
{
    platform::writeProfileString(nullptr, nullptr, nullptr, file);
    const int number = static_cast<int>(readModelList(file).size()) + 1;
    return writeEntry(file, entry, number) ? number : 0;
}
