#include "engine_client.h"

#include "engine_config.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <poll.h>
#include <pthread.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace mdxgen::engine {

namespace {

using Clock = std::chrono::steady_clock;
using Field = std::optional<std::string>;

// Splits one output line into its TAB-separated fields and undoes the
// runner's escapes; a field that is exactly \N is a null.
std::vector<Field> splitLine(const std::string& line) {
    std::vector<Field> fields;
    std::string current;
    bool null = false;
    std::size_t fieldStart = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == '\t') {
            if (null && i - fieldStart == 2) {
                fields.emplace_back(std::nullopt);
            } else {
                fields.emplace_back(std::move(current));
            }
            current.clear();
            null = false;
            fieldStart = i + 1;
            continue;
        }
        char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            char e = line[++i];
            switch (e) {
            case 't': current += '\t'; break;
            case 'n': current += '\n'; break;
            case 'r': current += '\r'; break;
            case 'N': null = true; break;
            default: current += e; break;
            }
        } else {
            current += c;
        }
    }
    return fields;
}

std::string text(const std::vector<Field>& f, std::size_t i) {
    return i < f.size() && f[i] ? *f[i] : std::string();
}

long long integer(const std::vector<Field>& f, std::size_t i) {
    std::string s = text(f, i);
    long long v = -1;
    std::from_chars(s.data(), s.data() + s.size(), v);
    return v;
}

// Moves a descriptor above the standard ones, so that dup2() onto 0, 1 or 2
// in the child always copies (when the parent runs without stdin, pipe() can
// hand out descriptor 0).
int aboveStandard(int fd) {
    if (fd > 2) {
        return fd;
    }
    int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

std::string errnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

double EngineCell::number() const {
    double v = std::numeric_limits<double>::quiet_NaN();
    if (type == "number") {
        std::from_chars(value.data(), value.data() + value.size(), v);
    }
    return v;
}

const EngineCell& EngineResult::cell(
    const std::vector<std::size_t>& coordinates) const {
    if (coordinates.size() != axes.size()) {
        throw std::out_of_range("cell: expected one coordinate per axis");
    }
    std::size_t ordinal = 0;
    std::size_t stride = 1;
    for (std::size_t a = 0; a < axes.size(); ++a) {
        std::size_t n = axes[a].positions.size();
        if (coordinates[a] >= n) {
            throw std::out_of_range("cell: coordinate out of range");
        }
        ordinal += coordinates[a] * stride;
        stride *= n;
    }
    return cells.at(ordinal);
}

EngineOptions EngineOptions::sample() {
    EngineOptions o;
    o.java = MDXGEN_ENGINE_JAVA;
    o.classpath = MDXGEN_ENGINE_CLASSPATH;
    o.schema = MDXGEN_SAMPLE_SCHEMA;
    o.data = MDXGEN_SAMPLE_DATA;
    return o;
}

EngineClient::EngineClient(EngineOptions options) : options_(std::move(options)) {
    start();
}

EngineClient::~EngineClient() { stop(); }

bool EngineClient::restart() {
    stop();
    start();
    return running();
}

void EngineClient::start() {
    lastError_.clear();
    version_.clear();
    buffer_.clear();
    startupMs_ = 0;

    // The runner's stderr goes to an unlinked temporary file: a pipe nobody
    // reads could fill up and stall the JVM, and the file's tail explains a
    // crash. Unlinked at once, it leaves nothing behind however we end.
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") +
                          "/mdx-engine-XXXXXX.log";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int errFd = mkostemps(name.data(), 4, O_CLOEXEC);
    if (errFd < 0) {
        lastError_ = errnoText("cannot create the runner's log file");
        return;
    }
    unlink(name.data());
    errFd = aboveStandard(errFd);
    if (errFd < 0) {
        lastError_ = errnoText("cannot create the runner's log file");
        return;
    }
    stderrFd_ = errFd;

    int in[2];
    int out[2];
    if (pipe2(in, O_CLOEXEC) != 0) {
        lastError_ = errnoText("pipe");
        return;
    }
    if (pipe2(out, O_CLOEXEC) != 0) {
        lastError_ = errnoText("pipe");
        close(in[0]);
        close(in[1]);
        return;
    }
    for (int* fd : {&in[0], &in[1], &out[0], &out[1]}) {
        *fd = aboveStandard(*fd);
    }

    std::vector<std::string> args;
    args.push_back(options_.java);
    for (const std::string& a : options_.jvmArguments) {
        args.push_back(a);
    }
    for (const char* a : {"-Dfile.encoding=UTF-8", "-cp"}) {
        args.emplace_back(a);
    }
    args.push_back(options_.classpath);
    args.emplace_back(MDXGEN_ENGINE_MAIN_CLASS);
    args.emplace_back("--schema");
    args.push_back(options_.schema);
    args.emplace_back("--data");
    args.push_back(options_.data);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errFd, 2);
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    if (rc != 0) {
        lastError_ = "cannot start " + options_.java + ": " + std::strerror(rc);
        close(in[1]);
        close(out[0]);
        return;
    }
    pid_ = pid;
    toRunner_ = in[1];
    fromRunner_ = out[0];

    std::string line;
    std::string reason;
    if (!readLine(line, options_.startTimeout, reason)) {
        if (reason == "timeout") {
            killRunner();
            lastError_ = "runner not ready within " +
                         std::to_string(options_.startTimeout.count()) +
                         " ms; killed";
        } else {
            lastError_ = "runner ended before it was ready: " + exitDescription();
        }
        return;
    }
    std::vector<Field> f = splitLine(line);
    if (text(f, 0) == "READY") {
        version_ = text(f, 1);
        startupMs_ = integer(f, 2);
        return;
    }
    std::string message =
        text(f, 0) == "FATAL" ? text(f, 1) : "unexpected first line: " + line;
    killRunner();
    lastError_ = "runner failed to start: " + message;
}

void EngineClient::stop() {
    if (pid_ > 0) {
        writeAll("QUIT\n");
        close(toRunner_);
        toRunner_ = -1;
        // Give the JVM a moment to close its connections and exit.
        Clock::time_point deadline = Clock::now() + std::chrono::seconds(5);
        int status = 0;
        while (waitpid(pid_, &status, WNOHANG) == 0) {
            if (Clock::now() >= deadline) {
                kill(pid_, SIGKILL);
                waitpid(pid_, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        pid_ = -1;
    }
    closePipes();
    if (stderrFd_ >= 0) {
        close(stderrFd_);
        stderrFd_ = -1;
    }
}

void EngineClient::closePipes() {
    if (toRunner_ >= 0) {
        close(toRunner_);
        toRunner_ = -1;
    }
    if (fromRunner_ >= 0) {
        close(fromRunner_);
        fromRunner_ = -1;
    }
}

void EngineClient::killRunner() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    closePipes();
}

std::string EngineClient::exitDescription() {
    std::string what = "runner gone";
    if (pid_ > 0) {
        // Its stdout is closed: it has exited or is about to.
        Clock::time_point deadline = Clock::now() + std::chrono::seconds(2);
        int status = 0;
        pid_t r = 0;
        while ((r = waitpid(pid_, &status, WNOHANG)) == 0 &&
               Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (r == pid_ && WIFEXITED(status)) {
            what = "runner exited with status " +
                   std::to_string(WEXITSTATUS(status));
            pid_ = -1;
        } else if (r == pid_ && WIFSIGNALED(status)) {
            what = "runner killed by signal " + std::to_string(WTERMSIG(status));
            pid_ = -1;
        } else {
            what = "runner closed its output";
        }
    }
    killRunner();
    std::string tail = stderrTail();
    if (!tail.empty()) {
        what += "; its last output: " + tail;
    }
    return what;
}

std::string EngineClient::stderrTail() const {
    if (stderrFd_ < 0) {
        return {};
    }
    constexpr off_t kTail = 2000;
    off_t size = lseek(stderrFd_, 0, SEEK_END);
    if (size <= 0) {
        return {};
    }
    off_t from = size > kTail ? size - kTail : 0;
    std::string tail(static_cast<std::size_t>(size - from), '\0');
    ssize_t n = pread(stderrFd_, tail.data(), tail.size(), from);
    tail.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
        tail.pop_back();
    }
    return tail;
}

bool EngineClient::writeAll(std::string_view bytes) {
    if (toRunner_ < 0) {
        return false;
    }
    // A write to a runner that died raises SIGPIPE; block it for this thread
    // and swallow it, so the host process survives and sees EPIPE instead.
    sigset_t pipeSignal;
    sigset_t previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    sigset_t pendingBefore;
    sigpending(&pendingBefore);
    bool wasPending = sigismember(&pendingBefore, SIGPIPE) == 1;

    bool ok = true;
    while (!bytes.empty()) {
        ssize_t n = write(toRunner_, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ok = false;
            break;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }

    if (!ok && errno == EPIPE && !wasPending) {
        timespec zero{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &zero);
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

bool EngineClient::readLine(std::string& line, std::chrono::milliseconds timeout,
                            std::string& reason) {
    Clock::time_point deadline = Clock::now() + timeout;
    while (true) {
        std::size_t nl = buffer_.find('\n');
        if (nl != std::string::npos) {
            line.assign(buffer_, 0, nl);
            buffer_.erase(0, nl + 1);
            return true;
        }
        if (fromRunner_ < 0) {
            reason = "closed";
            return false;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - Clock::now());
        if (left.count() <= 0) {
            reason = "timeout";
            return false;
        }
        pollfd p{fromRunner_, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) {
            continue;
        }
        if (r < 0) {
            reason = errnoText("poll");
            return false;
        }
        if (r == 0) {
            continue;  // the deadline check above ends the wait
        }
        char chunk[65536];
        ssize_t n = read(fromRunner_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            reason = n == 0 ? "eof" : errnoText("read");
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

EngineResult EngineClient::fail(std::string message) {
    EngineResult r;
    r.kind = "CLIENT";
    r.error = std::move(message);
    return r;
}

EngineResult EngineClient::mdx(std::string_view statement) {
    return request("MDX", statement);
}

EngineResult EngineClient::sql(std::string_view statement) {
    return request("SQL", statement);
}

EngineResult EngineClient::ping() { return exchange("PING\n"); }

EngineResult EngineClient::sendRaw(std::string_view bytes) {
    return exchange(bytes);
}

EngineResult EngineClient::request(std::string_view kind,
                                   std::string_view payload) {
    std::string record;
    record.reserve(payload.size() + 32);
    record.append(kind);
    record += ' ';
    record += std::to_string(payload.size());
    record += '\n';
    record.append(payload);
    return exchange(record);
}

EngineResult EngineClient::exchange(std::string_view bytes) {
    if (!running()) {
        return fail("engine is not running" +
                    (lastError_.empty() ? std::string() : ": " + lastError_));
    }
    if (!writeAll(bytes)) {
        lastError_ = "cannot send to the runner: " + exitDescription();
        return fail(lastError_);
    }

    EngineResult result;
    bool started = false;
    std::string line;
    std::string reason;
    while (true) {
        if (!readLine(line, options_.statementTimeout, reason)) {
            if (reason == "timeout") {
                killRunner();
                lastError_ = "no answer within " +
                             std::to_string(options_.statementTimeout.count()) +
                             " ms; runner killed";
            } else {
                lastError_ = exitDescription();
            }
            return fail(lastError_);
        }
        std::vector<Field> f = splitLine(line);
        const std::string tag = text(f, 0);
        if (!started) {
            if (tag == "OK") {
                result.ok = true;
                result.kind = text(f, 2);
            } else if (tag == "ERROR") {
                result.ok = false;
                result.kind = text(f, 2);
                result.error = text(f, 3);
            } else {
                continue;  // not an answer's first line; skip it
            }
            started = true;
            continue;
        }
        if (tag == "END") {
            result.elapsedMs = integer(f, 2);
            return result;
        }
        if (tag == "AXIS") {
            EngineAxis axis;
            axis.name = text(f, 2);
            for (std::size_t i = 4; i < f.size(); ++i) {
                axis.propertyNames.push_back(text(f, i));
            }
            if (integer(f, 1) < 0) {
                result.slicer = std::move(axis);
            } else {
                result.axes.push_back(std::move(axis));
            }
        } else if (tag == "POS" || tag == "PROP") {
            long long index = integer(f, 1);
            EngineAxis* axis = nullptr;
            if (index < 0) {
                axis = &result.slicer;
            } else if (static_cast<std::size_t>(index) < result.axes.size()) {
                axis = &result.axes[static_cast<std::size_t>(index)];
            }
            if (!axis) {
                continue;
            }
            if (tag == "POS") {
                std::vector<std::string> members;
                for (std::size_t i = 3; i < f.size(); ++i) {
                    members.push_back(text(f, i));
                }
                axis->positions.push_back(std::move(members));
                continue;
            }
            auto p = static_cast<std::size_t>(integer(f, 2));
            auto m = static_cast<std::size_t>(integer(f, 3));
            if (axis->properties.size() <= p) {
                axis->properties.resize(p + 1);
            }
            if (axis->properties[p].size() <= m) {
                axis->properties[p].resize(m + 1);
            }
            axis->properties[p][m].assign(f.begin() + std::min<std::size_t>(4, f.size()),
                                          f.end());
        } else if (tag == "CELL") {
            EngineCell c;
            c.type = text(f, 2);
            c.value = text(f, 3);
            c.formatted = text(f, 4);
            result.cells.push_back(std::move(c));
        } else if (tag == "COLS") {
            for (std::size_t i = 1; i < f.size(); ++i) {
                result.columns.push_back(text(f, i));
            }
        } else if (tag == "ROW") {
            result.rows.emplace_back(f.begin() + 1, f.end());
        } else if (tag == "COUNT") {
            result.updateCount = integer(f, 1);
        }
    }
}

}  // namespace mdxgen::engine
