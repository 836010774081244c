#include "platform/ProgramRestart.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <unistd.h>

namespace spoolar {

namespace {
constexpr const char* kRestartVariable = "SPOOLAR_RESTART_OF";

// A process that has exited but is not reaped yet (a zombie) counts as ended.
bool processAlive(pid_t pid)
{
    if (::kill(pid, 0) != 0 && errno != EPERM)
        return false;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const auto close = content.rfind(')');
    if (close == std::string::npos || close + 2 >= content.size())
        return false;
    const char state = content[close + 2];
    return state != 'Z' && state != 'X';
}
} // namespace

bool startNewInstance(const std::vector<std::string>& args)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return false;
    QStringList arguments;
    for (const std::string& a : args)
        arguments << QString::fromStdString(a);
    QProcess process;
    process.setProgram(QString::fromStdString(self.string()));
    process.setArguments(arguments);
    process.setWorkingDirectory(QString::fromStdString(self.parent_path().string()));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(kRestartVariable, QString::number(::getpid()));
    process.setProcessEnvironment(environment);
    process.setStandardInputFile(QProcess::nullDevice());
    return process.startDetached();
}

bool startElevatedInstance(const std::vector<std::string>& args)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return false;
    // pkexec clears the environment; "env" puts back what the new process needs.
    QStringList arguments{"env"};
    for (const char* name : {"DISPLAY", "XAUTHORITY", "WAYLAND_DISPLAY", "SPOOLAR_DRIVE_C",
                             "SPOOLAR_HOME", "CUPS_SERVER", "LANG"}) {
        if (const char* value = std::getenv(name))
            arguments << QString("%1=%2").arg(name, QString::fromLocal8Bit(value));
    }
    arguments << QString("%1=%2").arg(kRestartVariable).arg(::getpid());
    arguments << QString::fromStdString(self.string());
    for (const std::string& a : args)
        arguments << QString::fromStdString(a);
    return QProcess::startDetached("pkexec", arguments);
}

void waitForPredecessor(std::chrono::milliseconds limit)
{
    const char* value = std::getenv(kRestartVariable);
    if (!value)
        return;
    pid_t pid = 0;
    const char* end = value + std::strlen(value);
    const auto parsed = std::from_chars(value, end, pid);
    ::unsetenv(kRestartVariable);
    if (parsed.ec != std::errc() || parsed.ptr != end || pid <= 0 || pid == ::getpid())
        return;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (processAlive(pid) && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace spoolar
