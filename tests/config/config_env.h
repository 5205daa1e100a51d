// Environment helpers for the settings tests: a private per-user store and
// a model file in a temporary folder, both put back when the test ends.
#pragma once

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "config/model_file.h"
#include "config/reg_key.h"
#include "platform/platform.h"
#include "tests/support/test_helpers.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace config_test {

// Sets (or with nullopt, removes) an environment variable for the object's lifetime.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        assign(value);
    }
    ~ScopedEnv() { assign(old_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    void assign(const std::optional<std::string>& value)
    {
#ifdef _WIN32
        _putenv_s(name_, value ? value->c_str() : "");
#else
        if (value)
            setenv(name_, value->c_str(), 1);
        else
            unsetenv(name_);
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
};

// HOME and XDG_CONFIG_HOME both lead into `dir`, never to the real user's settings.
class PrivateStore {
public:
    PrivateStore()
        : home_("HOME", dir.path() + "/home"), config_("XDG_CONFIG_HOME", dir.path() + "/config")
    {
    }
    // The folder that holds the key "Software\Zarnek\Wendrix".
    std::string keyFolder() const { return dir.path() + "/config/Zarnek/Wendrix"; }
    std::string valuesFile() const { return keyFolder() + "/values"; }

    testing_support::TempDir dir;

private:
    ScopedEnv home_;
    ScopedEnv config_;
};

// Sets modelFilePath to a file in a temporary folder.
class PrivateModelFile {
public:
    PrivateModelFile()
    {
        std::memcpy(saved_, modelFilePath, sizeof saved_);
        path = dir.file("Wendrix.ini");
        std::strncpy(modelFilePath, path.c_str(), sizeof modelFilePath - 1);
        modelFilePath[sizeof modelFilePath - 1] = '\0';
    }
    ~PrivateModelFile() { std::memcpy(modelFilePath, saved_, sizeof saved_); }

    testing_support::TempDir dir;
    std::string path;

private:
    char saved_[sizeof modelFilePath];
};

// Stores raw bytes under `name` in the settings key, bypassing RegKey.
inline bool storeRaw(const char* name, const std::string& bytes)
{
    platform::RegHandle key = 0;
    if (platform::regCreateKey(platform::kCurrentUser, kSettingsSubKey, platform::RegKeyAllAccess, &key) != 0)
        return false;
    const long result =
        platform::regSetString(key, name, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    platform::regCloseKey(key);
    return result == 0;
}

// The raw bytes of a value, or "<code>" when it cannot be read.
inline std::string loadRaw(const char* name)
{
    platform::RegHandle key = 0;
    if (platform::regOpenKey(platform::kCurrentUser, kSettingsSubKey, platform::RegKeyRead, &key) != 0)
        return "<no key>";
    char buffer[600];
    std::uint32_t size = sizeof buffer;
    const long result = platform::regQueryValue(key, name, buffer, &size);
    platform::regCloseKey(key);
    return result == 0 ? std::string(buffer, size) : "<" + std::to_string(result) + ">";
}

inline std::string sz(const std::string& text) { return text + '\0'; }

#ifndef _WIN32
// Lets other users read the key but not change it.
inline bool shareKeyReadOnly(const PrivateStore& store)
{
    for (const std::string& folder : {store.dir.path() + "/config", store.dir.path() + "/config/Zarnek",
                                      store.keyFolder()}) {
        if (::chmod(folder.c_str(), 0755) != 0)
            return false;
    }
    return ::chmod(store.valuesFile().c_str(), 0644) == 0;
}
#endif

} // namespace config_test
