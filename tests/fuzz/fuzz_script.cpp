// libFuzzer target: the script runner's reader over arbitrary bytes, line by line, as a value of
// every kind, and as a script run in --check mode. A diagnostic must point into its line, a value
// must be finite and a letter a letter, and the run's status must match its count of errors.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "library_state.h"
#include "script.h"
#include "speechscore.h"

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
    std::fprintf(stderr, "speechscore_fuzz_script: %s\n--- the text ---\n%s\n---\n", what,
                 text.c_str());
    std::abort();
}

bool is_number_kind(cli::Kind kind) {
    return kind == cli::Kind::Number || kind == cli::Kind::Frequency || kind == cli::Kind::Pitch;
}

void check_value(const cli::Quantity& q, const cli::Arg& value, const std::string& text) {
    if (is_number_kind(q.kind) && !std::isfinite(value.number)) fail("a value not finite", text);
    if (q.kind == cli::Kind::Letter && !((value.letter >= 'a' && value.letter <= 'z') ||
                                         (value.letter >= 'A' && value.letter <= 'Z'))) {
        fail("a statement letter that is no letter", text);
    }
}

void check_line(const std::string& line) {
    cli::Statement st;
    cli::Diagnostic error;
    if (!cli::parse_line(line, st, error)) {
        if (error.message.empty()) fail("a diagnostic without a message", line);
        if (error.column < 1 || static_cast<std::size_t>(error.column) > line.size() + 1) {
            fail("a diagnostic outside its line", line);
        }
        // Words are cut in messages: a message stays short whatever the line.
        if (error.message.size() > 1024) fail("a diagnostic that echoes a whole line", line);
        return;
    }
    if (st.type != cli::Statement::Type::Call) return;
    for (std::size_t i = 0; i < st.args.size(); ++i) {
        check_value(*st.op->params[i].quantity, st.args[i], line);
    }
}

void check_token(const std::string& text) {
    using K = cli::Kind;
    for (const K kind : {K::Number, K::Frequency, K::Pitch, K::Integer, K::Colour, K::Nasal,
                         K::Tracheal, K::DeltaF1, K::Letter}) {
        const cli::Quantity q = {
            kind, "value", {-cli::kUnbounded, cli::kUnbounded, false, false}, reports::Tag::None};
        cli::Arg value = {0.0, 0, '\0'};
        std::string problem;
        if (cli::read_value({text, 1}, q, value, problem)) {
            check_value(q, value, text);
        } else if (problem.empty()) {
            fail("a value refused without a reason", text);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) check_line(line);
    if (text.find('\n') == std::string::npos) check_token(text);

    restore_library_state();
    char* errData = nullptr;
    size_t errSize = 0;
    FILE* errStream = open_memstream(&errData, &errSize);
    FILE* realErr = stderr;
    stderr = errStream;
    cli::RunReport report = {0, 0, 0, 0.0, 0, 0};
    int status = -1;
    trap_exit([&] { status = cli::run_script("fuzz.ss", text, true, -1, report); });
    stderr = realErr;
    std::fclose(errStream);
    const std::string diagnostics(errData, errSize);
    std::free(errData);
    if (status == -1) fail("--check ended the process", text);
    const bool errors = report.scriptErrors > 0 || report.libraryErrors > 0;
    if (status != (errors ? 1 : 0)) fail("a status that does not match the errors", text);
    if (errors && diagnostics.find(": error: ") == std::string::npos) {
        fail("errors counted without a diagnostic", text);
    }
    return 0;
}
