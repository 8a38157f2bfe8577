// The shell's "open": programs and scripts run directly with the parameter
// string split as a command line; Windows programs go to wine when it is on
// the PATH; everything else goes to the desktop's opener (xdg-open). The
// started process is detached and not waited for.
#include <shellapi.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "core/paths.h"
#include "core/utf8.h"
#include "window/command_line_split.h"

using zanq::ui::SplitCommandLine;
using zanq::os::ToUtf8;

namespace {

constexpr INT_PTR kStarted = 42;

HINSTANCE Result(INT_PTR code) { return reinterpret_cast<HINSTANCE>(code); }

INT_PTR ErrorCodeFor(int error) {
    switch (error) {
    case ENOENT: return SE_ERR_FNF;
    case ENOTDIR: return SE_ERR_PNF;
    case EACCES:
    case EPERM: return SE_ERR_ACCESSDENIED;
    case ENOMEM: return SE_ERR_OOM;
    default: return SE_ERR_NOASSOC;
    }
}

std::string FindOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string directories = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= directories.size()) {
        std::size_t end = directories.find(':', start);
        if (end == std::string::npos) end = directories.size();
        // An empty entry means the current directory.
        const std::string directory = end > start ? directories.substr(start, end - start) : std::string(".");
        std::string candidate = directory + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

// The interpreter line of a script: the interpreter and at most one
// argument (the rest of the line), as the kernel reads it.
std::vector<std::string> InterpreterOf(const std::string& firstLine) {
    std::string rest = firstLine.substr(2);
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    while (begin < rest.size() && blank(rest[begin])) ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !blank(rest[end])) ++end;
    std::vector<std::string> interpreter;
    if (end == begin) return interpreter;
    interpreter.push_back(rest.substr(begin, end - begin));
    std::size_t argBegin = end;
    while (argBegin < rest.size() && blank(rest[argBegin])) ++argBegin;
    std::size_t argEnd = rest.size();
    while (argEnd > argBegin && (blank(rest[argEnd - 1]) || rest[argEnd - 1] == '\r')) --argEnd;
    if (argEnd > argBegin) interpreter.push_back(rest.substr(argBegin, argEnd - argBegin));
    return interpreter;
}

// Starts argv[0] in a session of its own, as a grandchild that nobody
// waits for. Answers 0, or the errno of what failed.
int SpawnDetached(const std::vector<std::string>& arguments, const std::string& directory) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const char* workingDirectory = directory.empty() ? nullptr : directory.c_str();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return errno;
    pid_t child = fork();
    if (child < 0) {
        int error = errno;
        close(report[0]);
        close(report[1]);
        return error;
    }
    if (child == 0) {
        // Only async-signal-safe calls from here on.
        setsid();
        pid_t grandchild = fork();
        if (grandchild != 0) {
            if (grandchild < 0) {
                int error = errno;
                (void)!write(report[1], &error, sizeof error);
            }
            _exit(0);
        }
        int error = 0;
        if (workingDirectory && chdir(workingDirectory) != 0) {
            error = errno;
        } else {
            int nothing = open("/dev/null", O_RDWR);
            if (nothing >= 0) dup2(nothing, STDIN_FILENO);
            // Keep standard output (a protocol may run on it) for ourselves.
            dup2(STDERR_FILENO, STDOUT_FILENO);
            execv(argv[0], argv.data());
            error = errno;
        }
        (void)!write(report[1], &error, sizeof error);
        _exit(127);
    }
    close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    close(report[0]);
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

bool IsOpenVerb(LPCWSTR verb) {
    if (!verb || !*verb) return true;
    std::wstring lowered(verb);
    for (wchar_t& c : lowered) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return lowered == L"open";
}

INT_PTR Open(const std::string& file, const std::vector<std::string>& parameters, const std::string& directory) {
    std::string path = file;
    if (path.find("://") != std::string::npos) {
        std::string opener = FindOnPath("xdg-open");
        if (opener.empty()) return SE_ERR_NOASSOC;
        int error = SpawnDetached({opener, path}, directory);
        return error ? ErrorCodeFor(error) : kStarted;
    }
    if (path[0] != '/' && !directory.empty()) path = directory + "/" + path;
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        int error = errno;
        // A bare program name is looked for on the PATH.
        if (error == ENOENT && file.find('/') == std::string::npos) {
            std::string found = FindOnPath(file);
            if (!found.empty()) return Open(found, parameters, directory);
        }
        return ErrorCodeFor(error);
    }

    std::string head;
    if (S_ISREG(info.st_mode)) {
        int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return ErrorCodeFor(errno);
        char buffer[256];
        ssize_t got = read(fd, buffer, sizeof buffer);
        close(fd);
        if (got > 0) head.assign(buffer, static_cast<std::size_t>(got));
    }

    std::vector<std::string> command;
    if (head.size() >= 2 && head.compare(0, 2, "#!") == 0) {
        // The file need not be executable: its interpreter runs it.
        command = InterpreterOf(head.substr(0, head.find('\n')));
        if (command.empty()) return SE_ERR_NOASSOC;
        command.push_back(path);
    } else if (head.size() >= 4 && head.compare(0, 4, "\x7f" "ELF") == 0) {
        if (!(info.st_mode & S_IXUSR) && chmod(path.c_str(), info.st_mode | S_IXUSR) != 0) {
            return SE_ERR_ACCESSDENIED;
        }
        command.push_back(path);
    } else if (head.size() >= 2 && head.compare(0, 2, "MZ") == 0 && !FindOnPath("wine").empty()) {
        command = {FindOnPath("wine"), path};
    } else {
        std::string opener = FindOnPath("xdg-open");
        if (opener.empty()) return SE_ERR_NOASSOC;
        int error = SpawnDetached({opener, path}, directory);
        return error ? ErrorCodeFor(error) : kStarted;
    }
    command.insert(command.end(), parameters.begin(), parameters.end());
    int error = SpawnDetached(command, directory);
    return error ? ErrorCodeFor(error) : kStarted;
}

}  // namespace

HINSTANCE WINAPI ShellExecuteW(HWND, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters, LPCWSTR lpDirectory,
                               INT) {
    if (!IsOpenVerb(lpOperation)) return Result(SE_ERR_NOASSOC);
    if (!lpFile || !*lpFile) return Result(SE_ERR_FNF);
    std::vector<std::string> parameters;
    if (lpParameters) {
        for (const std::wstring& parameter : SplitCommandLine(lpParameters)) parameters.push_back(ToUtf8(parameter));
    }
    std::string directory = lpDirectory ? ToUtf8(lpDirectory) : std::string();
    std::string file = ToUtf8(lpFile);
    // A Windows path ("\tmp\a.exe", as GetTempPathW gives) names the file
    // that the files service opens.
    if (file.find("://") == std::string::npos) {
        if (auto systemPath = zanq::os::ToSystemPath(lpFile)) file = *systemPath;
    }
    return Result(Open(file, parameters, directory));
}
