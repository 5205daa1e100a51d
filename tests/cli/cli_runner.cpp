#include "tests/cli/cli_runner.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testing_support::readText;
using testing_support::writeText;

void CliFixture::SetUp()
{
    for (const char* sub : {"app", "config", "bin"}) {
        fs::create_directories(root.file(sub));
        fs::permissions(root.file(sub), fs::perms::all, fs::perm_options::replace);
    }
    fs::copy_file(WENDRIX_CLI_PATH, app("wendrix-cli"));
    fs::permissions(app("wendrix-cli"), fs::perms::owner_all | fs::perms::group_read |
                                            fs::perms::group_exec | fs::perms::others_read |
                                            fs::perms::others_exec,
                    fs::perm_options::replace);
    const std::string opener = root.file("bin/xdg-open");
    writeText(opener, "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + root.file("opened.txt") + "'\n");
    fs::permissions(opener, fs::perms::all, fs::perm_options::replace);
}

CliResult CliFixture::run(const std::vector<std::string>& args, bool asNobody)
{
    return finish(start(args, asNobody));
}

CliFixture::Started CliFixture::start(const std::vector<std::string>& args, bool asNobody,
                                      const std::string& tag)
{
    Started started{-1, root.file(tag + "out.txt"), root.file(tag + "err.txt")};
    const int out = ::open(started.outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    const int err = ::open(started.errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    EXPECT_GE(out, 0);
    EXPECT_GE(err, 0);

    std::vector<std::string> argv;
    if (asNobody)
        argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
    argv.push_back(app("wendrix-cli"));
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& arg : argv)
        pointers.push_back(arg.data());
    pointers.push_back(nullptr);

    const std::string home = root.file("config");
    const std::string path = root.file("bin");
    const std::string folder = root.file("app");
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (::chdir(folder.c_str()) != 0)
            ::_exit(126);
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        ::setenv("PATH", path.c_str(), 1);
        ::execv(pointers[0], pointers.data());
        ::_exit(127);
    }
    ::close(out);
    ::close(err);
    started.pid = child;
    return started;
}

CliResult CliFixture::finish(const Started& started, int* signalled)
{
    CliResult result;
    int status = 0;
    while (::waitpid(started.pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (signalled)
        *signalled = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = readText(started.outPath);
    result.err = readText(started.errPath);
    return result;
}

void CliFixture::writeModelFile(const std::string& text)
{
    ASSERT_TRUE(writeText(app("wendrix.ini"), text));
}

void CliFixture::writeStandardModel(std::uint32_t crc, const char* org)
{
    writeModelFile("[GPS]\r\nDate=01.10.02\r\nGps-1=Model A 2.40\r\nGps-2=Model B 3.10\r\n"
                   "[Model A 2.40]\r\norg=" + std::string(org) + "\r\nrgn=model.rgn\r\ncrc=" +
                   run_expect::hex8(crc) + "\r\nlang=10\r\nRel=2.40\r\n"
                   "[Model B 3.10]\r\norg=b.org\r\nrgn=b.rgn\r\ncrc=e6b0c2d9\r\nlang=14\r\n");
}

void CliFixture::put(const std::string& name, const std::vector<unsigned char>& data)
{
    ASSERT_TRUE(testing_support::writeBytes(app(name), data));
}

std::vector<unsigned char> CliFixture::bytes(const std::string& name) const
{
    std::vector<unsigned char> data;
    EXPECT_TRUE(testing_support::readBytes(app(name), data)) << name << " cannot be read";
    return data;
}

std::vector<std::string> CliFixture::logLines() const
{
    return run_expect::splitLog(readText(app("wendrix.LOG")));
}

bool CliFixture::storeTouched() const
{
    std::error_code ec;
    return fs::directory_iterator(root.file("config"), ec) != fs::directory_iterator();
}

std::map<std::string, std::vector<unsigned char>> CliFixture::snapshot() const
{
    std::map<std::string, std::vector<unsigned char>> files;
    for (const auto& entry : fs::recursive_directory_iterator(root.path())) {
        const std::string path = entry.path().string();
        if (path == root.file("stdout.txt") || path == root.file("stderr.txt"))
            continue;
        std::vector<unsigned char> data;
        if (entry.is_regular_file()) {
            EXPECT_TRUE(testing_support::readBytes(path, data)) << path;
        }
        files[path] = data;
    }
    return files;
}

void CliModelTest::prepare()
{
    writeStandardModel(run_expect::crcOf(made.bytes));
    ASSERT_TRUE(writeText(app("UPDATER.EXE"), "MZ stand-in"));
    put("model.rgn", made.bytes);
}

std::vector<std::string> CliModelTest::patchArgs(const std::string& model, const run_expect::Lines& lines)
{
    std::vector<std::string> args = {"patch", model};
    for (const std::string& line : lines)
        args.insert(args.end(), {"--line", line});
    return args;
}

std::string CliModelTest::checkTable(const run_expect::Lines& lines)
{
    std::vector<std::string> args = patchArgs("1", lines);
    args[0] = "check";
    const CliResult r = run(args);
    EXPECT_TRUE(r.status == 0 || r.status == 1) << r.err;
    return r.out;
}

std::string shown(std::initializer_list<std::string> messages)
{
    std::string text;
    for (const std::string& m : messages)
        text += m + "\n";
    return text;
}
