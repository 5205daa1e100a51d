// Environment helpers for the settings tests: a private per-user store and
// a model file in a temporary folder, both put back when the test ends.
#pragma once

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "config/model_file.h"
#include "tests/support/test_helpers.h"

namespace config_test {

// Sets (or with nullopt, removes) an environment variable for the lifetime
// of the object.
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

// Points the per-user store at a fresh folder: HOME and XDG_CONFIG_HOME
// both lead into `dir`, never to the real user's settings.
class PrivateStore {
public:
    PrivateStore()
        : home_("HOME", dir.path() + "/home"), config_("XDG_CONFIG_HOME", dir.path() + "/config")
    {
    }
    // The folder that holds the key "Software\Zarnek\Wendrix".
    std::string keyFolder() const { return dir.path() + "/config/Zarnek/Wendrix"; }

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
    PrivateModelFile(const PrivateModelFile&) = delete;
    PrivateModelFile& operator=(const PrivateModelFile&) = delete;

    testing_support::TempDir dir;
    std::string path;

private:
    char saved_[sizeof modelFilePath];
};

} // namespace config_test
