#include "platform/QProcessLauncher.h"

#include "platform/LastLines.h"
#include "platform/SystemError.h"
#include "platform/TrustedPath.h"
#include "platform/UniqueFd.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstring>
#include <vector>

namespace {

// QProcess::splitCommand quietly accepts an unclosed quote and treats the rest of the line as one
// argument. This follows its rules to find that case: within a run of double quotes, every three
// stand for one literal quote, and a single one left over opens or closes a quoted part (two left
// over do neither).
bool HasUnbalancedQuote(const QString& commandLine) {
    bool inQuote = false;
    int run = 0;
    for (const QChar c : commandLine) {
        if (c == u'"') {
            ++run;
            continue;
        }
        if (run % 3 == 1) {
            inQuote = !inQuote;
        }
        run = 0;
    }
    if (run % 3 == 1) {
        inQuote = !inQuote;
    }
    return inQuote;
}

// The program and its arguments in `commandLine`, or why it cannot be started.
Status SplitCommand(const QString& commandLine, QStringList* arguments) {
    if (commandLine.trimmed().isEmpty()) {
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }
    if (HasUnbalancedQuote(commandLine)) {
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "unbalanced quotation mark"));
    }
    *arguments = QProcess::splitCommand(commandLine);
    if (arguments->isEmpty()) {  // only empty quotes, such as ""
        return Status::Error(
            QCoreApplication::translate("QProcessLauncher", "the command is empty"));
    }
    return Status::Ok();
}

// The program of `arguments`, found as execvp() finds it, and checked by the trust rule
// (FindTrustedProgram). `program` receives the absolute path that was checked: under the rule no
// other user can change what that path leads to, so starting it by that path starts the file
// that was checked. The interpreter of a "#!" line is not looked at.
Status FindProgram(const QStringList& arguments, QByteArray* program) {
    QByteArray searchPath = qgetenv("PATH");
    if (searchPath.isNull()) {
        searchPath = QByteArrayLiteral("/bin:/usr/bin");  // execvp()'s own when PATH is not set
    }
    return FindTrustedProgram(arguments.first(), searchPath, program);
}

// A process for `arguments`, started as `program`, that reads nothing from us and writes nothing
// to our output: a program that outlives us must not hold our standard output open.
void Prepare(QStringList arguments, const QByteArray& program, QProcess* process) {
    arguments.removeFirst();
    process->setProgram(QFile::decodeName(program));
    process->setArguments(arguments);
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
}

// A program to run and its arguments, ready for execv() before the fork: what runs between fork()
// and exec() in a program with threads may not allocate memory.
struct Invocation {
    QByteArray program;  // the path execv() takes
    std::vector<QByteArray> words;
    std::vector<char*> argv;  // into `words`, ending in a null pointer
};

// Finds the program of `arguments` (FindProgram), or says why it cannot be started.
Status Prepare(const QStringList& arguments, Invocation* invocation) {
    if (Status found = FindProgram(arguments, &invocation->program); !found.ok()) {
        return found;
    }
    invocation->words.push_back(invocation->program);
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        invocation->words.push_back(QFile::encodeName(arguments[i]));
    }
    for (QByteArray& word : invocation->words) {
        invocation->argv.push_back(word.data());
    }
    invocation->argv.push_back(nullptr);
    return Status::Ok();
}

// How often a wait looks at the clock and asks whether it was cancelled.
constexpr std::chrono::milliseconds kPollInterval{50};
// A line of standard error is kept up to this size: enough for any message meant for a person.
constexpr qsizetype kErrorLineBytes = 1000;
// At most this much standard error is read between two looks at the clock, so that a program
// that writes without end is stopped on time all the same.
constexpr std::size_t kErrorBytesPerLook = std::size_t(4) << 20;
// How long a stopped command's keeper (below) may take to end it and everything it started before
// it is killed itself; only a process that cannot be killed takes longer.
constexpr std::chrono::seconds kStopTime{30};

// Reads what the pipe `fd` holds now into `lines`, up to kErrorBytesPerLook. True once the pipe
// has ended: nobody holds it open for writing any more.
bool TakeErrors(int fd, LastLines& lines) {
    char buffer[64 * 1024];
    for (std::size_t taken = 0; taken < kErrorBytesPerLook;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            lines.Append(buffer, std::size_t(got));
            taken += std::size_t(got);
        } else if (got == 0) {
            return true;
        } else if (errno != EINTR) {
            return errno != EAGAIN;
        }
    }
    return false;
}

// A waited command is run by a keeper: a child of ours that forks once more, and whose child goes
// on to become the command, in a process group of its own. The keeper is the parent of the command
// and, as a child subreaper, of every process the command starts that loses its parent, even one
// that left the command's process group (setsid). So everything the keeper ever has as a child
// descends from the command, and nothing else does: when the command is stopped (SIGTERM to the
// keeper), the keeper kills its process group and every child of its own, again and again as the
// children of those become its own, until it has none left. Otherwise it ends as the command
// ends, with its status, and what the command left running goes on. Our other children, such as
// the commands started and not waited for, are never its business, nor is it theirs.
//
// All of this runs between fork() and exec() of a program with threads: only calls that are safe
// there, and no memory allocation.

#if defined(__linux__)
// The pid of every process whose parent is `parent`, as /proc tells it, passed to `each`.
template <typename Each>
void ForEachChild(pid_t parent, Each each) {
    const int proc = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (proc < 0) {
        return;
    }
    struct Entry {  // of getdents64()
        ino64_t inode;
        off64_t offset;
        unsigned short length;
        unsigned char type;
        char name[1];
    };
    alignas(8) char entries[8192];
    for (long got; (got = ::syscall(SYS_getdents64, proc, entries, sizeof entries)) > 0;) {
        for (long at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const Entry*>(entries + at);
            at += entry->length;
            pid_t pid = 0;
            const char* c = entry->name;
            for (; *c >= '0' && *c <= '9'; ++c) {
                pid = pid * 10 + (*c - '0');
            }
            if (*c != '\0' || pid <= 0) {
                continue;
            }
            // "<pid> (<name>) <state> <ppid> ...": the name may hold anything, up to the last ')'.
            char path[32] = "/proc/";
            const std::size_t length = std::strlen(entry->name);
            if (length > sizeof path - 12) {
                continue;
            }
            std::memcpy(path + 6, entry->name, length);
            std::memcpy(path + 6 + length, "/stat", 6);
            const int stat = ::open(path, O_RDONLY | O_CLOEXEC);
            if (stat < 0) {
                continue;
            }
            char text[512];
            const ssize_t read = ::read(stat, text, sizeof text - 1);
            ::close(stat);
            if (read <= 0) {
                continue;
            }
            text[read] = '\0';
            const char* closing = nullptr;
            for (const char* p = text; *p != '\0'; ++p) {
                if (*p == ')') {
                    closing = p;
                }
            }
            if (closing == nullptr || std::strlen(closing) < 5) {
                continue;
            }
            pid_t itsParent = 0;
            for (const char* p = closing + 4; *p >= '0' && *p <= '9'; ++p) {
                itsParent = itsParent * 10 + (*p - '0');
            }
            if (itsParent == parent) {
                each(pid);
            }
        }
    }
    ::close(proc);
}
#endif

// Ends the command's process group and every process that descends from the command, then the
// keeper.
[[noreturn]] void StopEverything(pid_t command) {
    for (;;) {
        ::kill(-command, SIGKILL);
#if defined(__linux__)
        ForEachChild(::getpid(), [](pid_t child) { ::kill(child, SIGKILL); });
#endif
        // Waits for one of them to end: its own children are ours now, and the next round finds
        // them.
        int status;
        if (::waitpid(-1, &status, 0) < 0 && errno == ECHILD) {
            ::_exit(128 + SIGKILL);
        }
    }
}

// Ends the keeper as the command ended: with its exit status, or by its signal.
[[noreturn]] void EndAs(int status) {
    if (WIFSIGNALED(status)) {
        const int signal = WTERMSIG(status);
        const struct rlimit noCore = {0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
        struct sigaction standard = {};
        standard.sa_handler = SIG_DFL;
        ::sigaction(signal, &standard, nullptr);
        sigset_t only;
        sigemptyset(&only);
        sigaddset(&only, signal);
        ::sigprocmask(SIG_UNBLOCK, &only, nullptr);
        ::kill(::getpid(), signal);
        ::_exit(128 + signal);
    }
    ::_exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

// Tells the parent through `started` why the command could not be started, and ends.
[[noreturn]] void NotStarted(int started) {
    const int error = errno;
    [[maybe_unused]] const ssize_t told = ::write(started, &error, sizeof error);
    ::_exit(127);
}

// The keeper, in the child of a fork by `parent`: `nullFd` becomes its standard input and output,
// `errors` its standard error, and `started` (close-on-exec) tells the parent the errno of a
// command that could not be started, or ends empty when it has been.
[[noreturn]] void RunKeeper(const Invocation& command, pid_t parent, int nullFd, int errors,
                            int started) {
#if defined(__linux__)
    // Only the parent keeps the command's timeout: a parent that dies (kill -9 included) stops the
    // command as a timeout would, by the SIGTERM that the keeper waits for below. The kernel sends
    // it when the thread that forked ends, and that thread waits for the keeper to its end. A
    // parent that died before this call is not seen by the kernel, so it is looked for once after.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM, 0, 0, 0);
    if (::getppid() != parent) {
        ::_exit(128 + SIGTERM);
    }
#endif
    ::dup2(nullFd, STDIN_FILENO);
    ::dup2(nullFd, STDOUT_FILENO);
    ::dup2(errors, STDERR_FILENO);
    ::setpgid(0, 0);
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    // Ended children are waited for here, whatever the program had made of SIGCHLD.
    ::sigaction(SIGCHLD, &standard, nullptr);
#if defined(__linux__)
    // Without it (a kernel before 3.4) a process that leaves the command's group escapes a stop.
    ::prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0);
#endif
    sigset_t awaited;
    sigemptyset(&awaited);
    sigaddset(&awaited, SIGCHLD);
    sigaddset(&awaited, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &awaited, nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        NotStarted(started);
    }
    if (child == 0) {
        ::setpgid(0, 0);
#if defined(__linux__)
        ::prctl(PR_SET_CHILD_SUBREAPER, 0, 0, 0, 0);
#endif
        ::sigaction(SIGPIPE, &standard, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execv(command.program.constData(), command.argv.data());
        NotStarted(started);
    }
    ::setpgid(child, child);  // also here, so that a stop at once finds the group
    // The keeper holds nothing of ours open: not our locks, not `started`, whose end tells that
    // the command has started.
#if defined(SYS_close_range)
    const bool closed = ::syscall(SYS_close_range, 3U, ~0U, 0U) == 0;
#else
    const bool closed = false;
#endif
    if (!closed) {
        struct rlimit open = {};
        ::getrlimit(RLIMIT_NOFILE, &open);
        for (rlim_t fd = 3; fd < std::min<rlim_t>(open.rlim_cur, 65536); ++fd) {
            ::close(int(fd));
        }
    }
    for (;;) {
        siginfo_t info;
        if (::sigwaitinfo(&awaited, &info) == SIGTERM) {
            StopEverything(child);
        }
        int status;
        for (pid_t ended; (ended = ::waitpid(-1, &status, WNOHANG)) > 0;) {
            if (ended == child) {
                EndAs(status);
            }
        }
    }
}

// A keeper we started, waited for and reaped before it goes.
class Keeper {
  public:
    explicit Keeper(pid_t pid) : mPid(pid) {
#if defined(__linux__) && defined(SYS_pidfd_open)
        mEnded = UniqueFd(int(::syscall(SYS_pidfd_open, pid, 0)));
#endif
    }
    ~Keeper() {
        if (!mReaped) {
            ::kill(mPid, SIGKILL);
            Wait(std::chrono::milliseconds(-1));
        }
    }
    Keeper(const Keeper&) = delete;
    Keeper& operator=(const Keeper&) = delete;

    // Waits at most `time` (for ever when negative) for the keeper to end, and for what `errors`
    // (when not -1) brings in meanwhile, which goes to `lines`; true once it has ended.
    bool Wait(std::chrono::milliseconds time, int errors = -1, LastLines* lines = nullptr,
              bool* errorsEnded = nullptr) {
        const auto deadline = std::chrono::steady_clock::now() + time;
        while (!Ended()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (time.count() >= 0 && left.count() <= 0) {
                return false;
            }
            pollfd watched[2];
            nfds_t count = 0;
            if (errors >= 0 && !*errorsEnded) {
                watched[count++] = {errors, POLLIN, 0};
            }
            if (mEnded.valid()) {
                watched[count++] = {mEnded.get(), POLLIN, 0};
            }
            // Without a descriptor for the keeper's end, its end is looked for at every interval.
            const auto slice = std::min(kPollInterval, time.count() < 0 ? kPollInterval : left);
            ::poll(watched, count, int(slice.count()));
            if (errors >= 0 && !*errorsEnded) {
                *errorsEnded = TakeErrors(errors, *lines);
            }
        }
        return true;
    }

    pid_t pid() const {
        return mPid;
    }
    int status() const {
        return mStatus;
    }

  private:
    bool Ended() {
        if (!mReaped) {
            pid_t got;
            do {
                got = ::waitpid(mPid, &mStatus, WNOHANG);
            } while (got < 0 && errno == EINTR);
            mReaped = got == mPid || (got < 0 && errno == ECHILD);
        }
        return mReaped;
    }

    pid_t mPid;
    UniqueFd mEnded;  // readable once the keeper has ended, where the system offers it
    bool mReaped = false;
    int mStatus = 0;
};

// "9 (SIGKILL)".
QString SignalName(int signal) {
    const char* abbreviation = ::sigabbrev_np(signal);
    return abbreviation ? QStringLiteral("%1 (SIG%2)").arg(signal).arg(QLatin1String(abbreviation))
                        : QString::number(signal);
}

}  // namespace

Status QProcessLauncher::CheckProgram(const QString& commandLine) {
    QStringList arguments;
    QByteArray program;
    Status found = SplitCommand(commandLine, &arguments);
    return found.ok() ? FindProgram(arguments, &program) : found;
}

Status QProcessLauncher::StartDetached(const QString& commandLine) {
    QStringList arguments;
    QByteArray program;
    Status found = SplitCommand(commandLine, &arguments);
    if (found.ok()) {
        found = FindProgram(arguments, &program);
    }
    if (!found.ok()) {
        return CannotStart(commandLine, found.message());
    }
    // The program is run directly, never through a shell, and nobody waits for it. A QProcess
    // object rather than the static startDetached() so that the reason for a failure can be read.
    QProcess process;
    Prepare(arguments, program, &process);
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        return CannotStart(commandLine, process.errorString());
    }
    return Status::Ok();
}

Status QProcessLauncher::RunAndWait(const QString& commandLine, std::chrono::seconds timeout,
                                    const std::function<bool()>& cancelled,
                                    const SecretSet& secrets) {
    QStringList arguments;
    Invocation invocation;
    Status prepared = SplitCommand(commandLine, &arguments);
    if (prepared.ok()) {
        prepared = Prepare(arguments, &invocation);
    }
    if (!prepared.ok()) {
        return CannotStart(commandLine, prepared.message());
    }
    // Its standard error goes to a pipe that is read as it comes, so that what it writes is never
    // held beyond its last lines, however much that is. The command is started by a keeper of
    // our own (RunKeeper) rather than by QProcess, whose child cannot stay to keep it.
    int ends[2];
    int startEnds[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return CannotStart(commandLine, DescribeErrno(errno));
    }
    UniqueFd errors(ends[0]);
    UniqueFd errorsWritten(ends[1]);
    if (::pipe2(startEnds, O_CLOEXEC) != 0) {
        return CannotStart(commandLine, DescribeErrno(errno));
    }
    UniqueFd started(startEnds[0]);
    UniqueFd startedWritten(startEnds[1]);
    UniqueFd null(::open("/dev/null", O_RDWR | O_CLOEXEC));
    if (!null.valid()) {
        return CannotStart(commandLine, DescribeErrno(errno));
    }
    ::fcntl(errors.get(), F_SETFL, ::fcntl(errors.get(), F_GETFL) | O_NONBLOCK);
    const pid_t self = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        return CannotStart(commandLine, DescribeErrno(errno));
    }
    if (pid == 0) {
        RunKeeper(invocation, self, null.get(), errorsWritten.get(), startedWritten.get());
    }
    Keeper keeper(pid);
    errorsWritten.Close();  // the pipe ends when the command and what it started close theirs
    startedWritten.Close();
    int startError = 0;
    ssize_t told;
    do {
        told = ::read(started.get(), &startError, sizeof startError);
    } while (told < 0 && errno == EINTR);
    if (told == ssize_t(sizeof startError)) {
        return CannotStart(commandLine, DescribeErrno(startError));
    }

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    LastLines lines(kErrorLines, kErrorLineBytes, &secrets);
    bool errorsEnded = false;
    QString stopped;
    while (!keeper.Wait(kPollInterval, errors.get(), &lines, &errorsEnded)) {
        if (cancelled && cancelled()) {
            stopped = QCoreApplication::translate("QProcessLauncher", "was cancelled");
        } else if (std::chrono::steady_clock::now() >= deadline) {
            stopped =
                QCoreApplication::translate(
                    "QProcessLauncher", "did not end within its timeout of %1 s and was stopped")
                    .arg(timeout.count());
        }
        if (!stopped.isEmpty()) {
            ::kill(keeper.pid(), SIGTERM);
            if (!keeper.Wait(kStopTime)) {
                ::kill(keeper.pid(), SIGKILL);
                keeper.Wait(std::chrono::milliseconds(-1));
            }
            break;
        }
    }
    // What it wrote before it ended; a process it left running may hold the pipe open, and is
    // not waited for.
    TakeErrors(errors.get(), lines);
    if (!stopped.isEmpty()) {
        return Failed(commandLine, stopped, lines.Lines());
    }
    const int status = keeper.status();
    if (WIFSIGNALED(status)) {
        return Failed(commandLine,
                      QCoreApplication::translate("QProcessLauncher", "was ended by signal %1")
                          .arg(SignalName(WTERMSIG(status))),
                      lines.Lines());
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return Failed(commandLine,
                      QCoreApplication::translate("QProcessLauncher", "ended with status %1")
                          .arg(WIFEXITED(status) ? WEXITSTATUS(status) : status),
                      lines.Lines());
    }
    return Status::Ok();
}
