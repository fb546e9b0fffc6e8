// EngineClient: runs MDX statements (and SQL) on the embedded Mondrian engine.
//
// The client starts one MdxEngine runner (a JVM) when constructed, sends it
// statements over a pipe and parses the answers. Starting the JVM and loading
// the cube takes about a second; each statement after that takes a few
// milliseconds, so keep one client for a whole batch of statements.
//
// Failures never throw: a statement the engine rejects, a malformed record, a
// runner that crashed or hangs all come back as an EngineResult with ok ==
// false and a message in error. The destructor shuts the JVM down.

#ifndef MDXGEN_ENGINE_CLIENT_H
#define MDXGEN_ENGINE_CLIENT_H

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace mdxgen::engine {

// One cell of an MDX result.
struct EngineCell {
    // Raw value: plain decimal text for numbers ("1234.5", "42"), the text of
    // strings, the error text of an error cell; empty for an empty cell.
    std::string value;
    // Value formatted with the cell's format string ("1,234.50").
    std::string formatted;
    // "empty", "number", "string", "boolean" or "error".
    std::string type;

    bool empty() const { return type == "empty"; }
    bool error() const { return type == "error"; }
    // The raw value as a number; NaN for a cell that does not hold a number.
    double number() const;
};

// One axis of an MDX result (or the slicer).
struct EngineAxis {
    // "COLUMNS", "ROWS", ... or "SLICER".
    std::string name;
    // Member unique names of each position, e.g. {"[Time].[2024]",
    // "[Measures].[Unit Sales]"} for one position of a two-member tuple.
    std::vector<std::vector<std::string>> positions;
    // DIMENSION PROPERTIES requested on this axis, as the engine names them.
    std::vector<std::string> propertyNames;
    // properties[p][m][k]: value of propertyNames[k] for member m of position
    // p; nullopt where the property does not apply. Empty if none requested.
    std::vector<std::vector<std::vector<std::optional<std::string>>>> properties;
};

// The answer to one record.
struct EngineResult {
    bool ok = false;
    // "MDX", "DRILLTHROUGH", "SQL", "PING"; "PROTOCOL" for a malformed
    // record; "CLIENT" for a failure on the client side (runner not running,
    // crashed, timed out).
    std::string kind;
    // The engine's message when ok is false.
    std::string error;
    // Milliseconds the runner spent on the record.
    long long elapsedMs = 0;

    // MDX: axes in order (0 = COLUMNS, 1 = ROWS, ...), the slicer, and every
    // cell in ordinal order (axis 0 varies fastest).
    std::vector<EngineAxis> axes;
    EngineAxis slicer;
    std::vector<EngineCell> cells;

    // DRILLTHROUGH and SQL: column names and rows (nullopt = NULL).
    std::vector<std::string> columns;
    std::vector<std::vector<std::optional<std::string>>> rows;
    // SQL statements that return no rows: the update count; otherwise -1.
    long long updateCount = -1;

    // The cell at the given coordinates, one per axis: {column, row, ...}.
    // Throws std::out_of_range for bad coordinates.
    const EngineCell& cell(const std::vector<std::size_t>& coordinates) const;
};

struct EngineOptions {
    // Defaults come from the build (engine_config.h).
    std::string java;
    std::string classpath;
    std::string schema;  // Mondrian schema XML
    std::string data;    // H2 SQL script with the cube's data
    // Extra JVM arguments, placed before the class name.
    std::vector<std::string> jvmArguments;
    // How long to wait for start-up and for each answer before the runner is
    // considered hung and killed.
    std::chrono::milliseconds startTimeout{std::chrono::seconds(60)};
    std::chrono::milliseconds statementTimeout{std::chrono::seconds(60)};

    // The runner built by tools/engine/CMakeLists.txt on the sample cube.
    static EngineOptions sample();
};

class EngineClient {
public:
    // Starts the runner; see running() and startupError() for the outcome.
    explicit EngineClient(EngineOptions options = EngineOptions::sample());
    ~EngineClient();

    EngineClient(const EngineClient&) = delete;
    EngineClient& operator=(const EngineClient&) = delete;

    bool running() const { return pid_ > 0; }
    // Why the runner is not running (start-up failure, crash, time-out).
    const std::string& startupError() const { return lastError_; }
    // Engine name and version reported at start-up, e.g. "mondrian 3.11...".
    const std::string& version() const { return version_; }
    // Start-up time as measured by the runner (JVM start excluded).
    long long startupMs() const { return startupMs_; }
    // Process id of the runner, or -1 when none. Check before signalling
    // it: kill(-1, sig) would signal every process the caller may signal.
    pid_t processId() const { return pid_; }

    // Runs one MDX statement; a statement starting with DRILLTHROUGH comes
    // back as rows.
    EngineResult mdx(std::string_view statement);
    // Runs one SQL statement on the database that holds the cube's data.
    EngineResult sql(std::string_view statement);
    // Round trip without work; checks that the runner answers.
    EngineResult ping();
    // Writes bytes as they are and reads one answer: for checking how the
    // runner treats malformed records. The bytes must end the record (a
    // header that promises more bytes than follow makes the runner wait).
    EngineResult sendRaw(std::string_view bytes);

    // Stops the runner (if any) and starts a new one. Returns running().
    bool restart();

private:
    void start();
    void stop();
    EngineResult request(std::string_view kind, std::string_view payload);
    EngineResult exchange(std::string_view bytes);
    EngineResult fail(std::string message);
    bool writeAll(std::string_view bytes);
    // Reads one line (without LF); false on EOF, error or time-out, with the
    // reason in reason.
    bool readLine(std::string& line, std::chrono::milliseconds timeout,
                  std::string& reason);
    void killRunner();
    // Closes both pipes to the runner, if open.
    void closePipes();
    std::string exitDescription();
    std::string stderrTail() const;

    EngineOptions options_;
    pid_t pid_ = -1;
    int toRunner_ = -1;
    int fromRunner_ = -1;
    int stderrFd_ = -1;  // the runner's stderr, for crash reports
    std::string buffer_;
    std::string version_;
    std::string lastError_;
    long long startupMs_ = 0;
};

}  // namespace mdxgen::engine

#endif  // MDXGEN_ENGINE_CLIENT_H
