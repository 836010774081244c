#include "platform/SingleInstance.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace spoolar;
namespace fs = std::filesystem;

namespace {

constexpr pid_t kOwnPid = 100;

// One process of a fake /proc: what its exe link points to (nothing: unreadable, as for
// another user's process), its state letter, its command line and its short name.
struct FakeProcess
{
    pid_t pid;
    std::optional<std::string> exe;
    char state = 'S';
    std::string cmdline = {};
    std::string comm = {};
};

void writeFile(const fs::path& file, const std::string& content)
{
    std::ofstream(file, std::ios::binary) << content;
}

void addProcess(const fs::path& proc, const FakeProcess& p)
{
    const fs::path dir = proc / std::to_string(p.pid);
    fs::create_directories(dir);
    if (p.exe)
        fs::create_symlink(*p.exe, dir / "exe");
    const std::string comm =
        p.comm.empty() && p.exe ? fs::path(*p.exe).filename().string() : p.comm;
    writeFile(dir / "stat",
              std::to_string(p.pid) + " (" + comm + ") " + p.state + " 1 1 1 0 -1 4194560\n");
    writeFile(dir / "comm", comm + "\n");
    writeFile(dir / "cmdline", p.cmdline);
}

struct Case
{
    const char* name;
    std::vector<FakeProcess> others; // beside our own process
    bool expected;
};

TEST(SingleInstance, FindsAnotherProcessOfTheSameExecutable)
{
    using std::string_literals::operator""s;
    const Case cases[] = {
        {"own process only", {}, false},
        {"same name, other pid", {{200, "/usr/bin/spoolar"}}, true},
        {"same name in another folder", {{200, "/opt/old/spoolar"}}, true},
        {"name compared without case", {{200, "/usr/bin/SPOOLAR"}}, true},
        {"other name", {{200, "/usr/bin/spoolar-helper"}, {201, "/usr/bin/bash"}}, false},
        {"name only as a folder", {{200, "/opt/spoolar/run"}}, false},
        {"zombie", {{200, "/usr/bin/spoolar", 'Z'}}, false},
        {"dead", {{200, "/usr/bin/spoolar", 'X'}}, false},
        {"zombie beside a running one",
         {{200, "/usr/bin/spoolar", 'Z'}, {300, "/usr/bin/spoolar", 'R'}},
         true},
        {"executable replaced while running", {{200, "/usr/bin/spoolar (deleted)"}}, true},
        {"exe unreadable, argv[0] matches",
         {{200, std::nullopt, 'S', "/usr/local/bin/spoolar\0--headless\0"s, "spoolar"}},
         true},
        {"exe unreadable, argv[0] differs",
         {{200, std::nullopt, 'S', "/usr/bin/python3\0spoolar\0"s, "python3"}},
         false},
        {"exe unreadable, no command line, short name matches",
         {{200, std::nullopt, 'S', "", "spoolar"}},
         true},
        {"kernel thread", {{2, std::nullopt, 'I', "", "kthreadd"}}, false},
        {"one-shot commands are no instance",
         {{200, "/usr/bin/spoolar", 'S', "spoolar\0--send\0006027\0"s},
          {201, "/usr/bin/spoolar", 'S', "spoolar\0--convert\0JOB\0"s}},
         false},
        {"headless spooler beside a one-shot command",
         {{200, "/usr/bin/spoolar", 'S', "spoolar\0--send\0006027\0"s},
          {201, "/usr/bin/spoolar", 'S', "spoolar\0--headless\0"s}},
         true},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const fs::path proc = dir.path().toStdString();
        addProcess(proc, {kOwnPid, "/usr/bin/spoolar"});
        for (const auto& p : c.others)
            addProcess(proc, p);
        fs::create_directories(proc / "self");
        fs::create_directories(proc / "sys");
        EXPECT_EQ(anotherInstanceRunning(proc, kOwnPid, "spoolar"), c.expected) << c.name;
    }
}

TEST(SingleInstance, UnreadableProcessTablePasses)
{
    EXPECT_FALSE(anotherInstanceRunning("/nonexistent/proc", kOwnPid, "spoolar"));
    QTemporaryDir dir;
    EXPECT_FALSE(anotherInstanceRunning(dir.path().toStdString(), kOwnPid, ""));
}

// On the real /proc: a started copy of a program under a name of its own counts while it runs
// and no longer once it has exited, even before it is reaped.
TEST(SingleInstance, RealProcessCountsUntilItExits)
{
    EXPECT_EQ(ownExecutableName(), "platform_SingleInstance_test");

    QTemporaryDir dir;
    const std::string name = "spq" + std::to_string(::getpid());
    const fs::path program = fs::path(dir.path().toStdString()) / name;
    fs::copy_file("/bin/sleep", program);
    fs::permissions(program, fs::perms::owner_all);
    EXPECT_FALSE(anotherInstanceRunning("/proc", ::getpid(), name));

    pid_t child = 0;
    const std::string programText = program.string();
    char* const argv[] = {const_cast<char*>(programText.c_str()), const_cast<char*>("30"), nullptr};
    ASSERT_EQ(::posix_spawn(&child, programText.c_str(), nullptr, nullptr, argv, environ), 0);
    EXPECT_TRUE(anotherInstanceRunning("/proc", ::getpid(), name));

    ::kill(child, SIGKILL);
    siginfo_t info{};
    // Wait for the exit but leave the child unreaped: a zombie.
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
    EXPECT_FALSE(anotherInstanceRunning("/proc", ::getpid(), name));
    ::waitpid(child, nullptr, 0);
}

} // namespace
