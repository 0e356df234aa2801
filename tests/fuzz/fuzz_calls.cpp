// libFuzzer target: decodes its input into calls of every public operation (the script runner's
// table lists them all) with arbitrary arguments and direct writes of the exported variables,
// from the state a program starts with, and checks the score after each call.
#include <fuzzer/FuzzedDataProvider.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

#include "library_state.h"
#include "script.h"
#include "speechscore.h"

namespace {

// The arguments of one call, drawn from the input. Remembers whether any double was not finite.
struct Args {
    FuzzedDataProvider& in;
    bool nonFinite = false;

    double d() {
        // clang-format off
        static const double kSpecial[] = {
            std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
            HUGE_VAL, -HUGE_VAL, 0.0, -0.0, DBL_MAX, -DBL_MAX, DBL_MIN, -DBL_MIN, 5e-324, 1e-300,
            1e300, -1e300, 1e16, 0.5, 100, 100.0000001, 12, 8000, 47, 1e-9};
        // clang-format on
        double v = 0;
        const int how = in.ConsumeIntegralInRange<int>(0, 7);
        if (how == 0) {
            v = in.PickValueInArray(kSpecial);
        } else if (how == 1) {
            const uint64_t bits = in.ConsumeIntegral<uint64_t>();
            std::memcpy(&v, &bits, sizeof v);
        } else if (how == 2) {
            v = in.ConsumeIntegralInRange<int>(-3, 60);
        } else {
            v = how == 3 ? in.ConsumeFloatingPointInRange<double>(-100, 8100)
                         : in.ConsumeFloatingPointInRange<double>(-0.5, 12);
        }
        nonFinite = nonFinite || !std::isfinite(v);
        return v;
    }

    // Colors, pointers, symbols, codes, counts: mostly near their ranges, sometimes anything.
    int i() {
        return in.ConsumeBool() ? in.ConsumeIntegralInRange<int>(-2, 52)
                                : in.ConsumeIntegral<int>();
    }

    char kind() { return in.ConsumeBool() ? 'i' : 'f'; }
};

// Calls one operation with arguments of its own types drawn from the input.
int call(const cli::Operation& op, Args& a) {
    cli::Arg args[cli::kMaxParams] = {};
    for (int n = 0; op.types[n] != '\0'; ++n) {
        if (op.types[n] == 'd') args[n].number = a.d();
        if (op.types[n] == 'i') args[n].integer = a.i();
        if (op.types[n] == 'c') args[n].letter = a.kind();
    }
    return op.invoke(args);
}

// What a client may store: anything in the settings and tables; finite values in the time lines
// and beat positions, and a positive finite tempo in beat (the checks below hold the library to
// keeping those so, not the client). Writes one cell, never outside the variable.
void write_variable(const cli::Variable& v, FuzzedDataProvider& in, Args& a) {
    const int cells = (v.rows > 0 ? v.rows : 1) * (v.columns > 0 ? v.columns : 1);
    const int cell = in.ConsumeIntegralInRange<int>(0, cells - 1);
    if (v.integer != nullptr) {
        v.integer[cell] = a.i();
        return;
    }
    const double value = a.d();
    const bool keptFinite = v.number == timepoints || v.number == beatpoints || v.number == &beat;
    if ((keptFinite && !std::isfinite(value)) || (v.number == &beat && !(value > 0))) return;
    v.number[cell] = value;
}

const char* current = "";  // name of the operation being checked

FILE* realErr = stderr;  // where a failure is told: the library's standard error goes nowhere

[[noreturn]] void fail(const char* what, const std::string& out) {
    std::fprintf(realErr, "speechscore_fuzz: %s: %s\n--- its output ---\n%s---\n", current, what,
                 out.c_str());
    std::abort();
}

// Reports counted in out: the lines of err and the bad-mark comment of glMM (the library's
// table says which lines they are; metronome's fallback comment is not counted).
long long reports_in(const std::string& out) {
    long long count = 0;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        const reports::Report* report = reports::of_line(line);
        count += report != nullptr && report->tag != reports::Tag::Tempo;
    }
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    restore_library_state();
    FuzzedDataProvider in(data, size);
    char* outData = nullptr;  // what the calls print, in a memory stream
    size_t outSize = 0, seen = 0;
    FILE* realOut = stdout;
    stdout = open_memstream(&outData, &outSize);
    stderr = std::fopen("/dev/null", "w");
    long long expected = nerrors;

    size_t opCount = 0, varCount = 0;
    const cli::Operation* ops = cli::operations(opCount);
    const cli::Variable* vars = cli::variables(varCount);
    for (int n = 0; n < 200 && in.remaining_bytes() > 0; ++n) {
        Args args{in};
        // One pick in five or so is a direct write of a variable.
        const size_t pick = in.ConsumeIntegralInRange<size_t>(0, opCount + opCount / 4);
        if (pick >= opCount) {
            const cli::Variable& v = vars[in.ConsumeIntegralInRange<size_t>(0, varCount - 1)];
            write_variable(v, in, args);
            if (v.integer == &nerrors) expected = nerrors;
            continue;
        }
        const cli::Operation& op = ops[pick];
        const bool clears = std::strcmp(op.name, "start1") == 0;  // start1 clears the count
        const int before = clears ? 0 : nerrors;
        if (clears) expected = 0;
        current = op.name;
        trap_exit([&] { call(op, args); });
        std::fflush(stdout);
        const std::string text(outData + seen, outSize - seen);
        seen = outSize;
        if (text.find("nan") != std::string::npos || text.find("inf") != std::string::npos)
            fail("nan or inf in the score", text);
        for (int slot = 0; slot < 21; ++slot) {
            if (!std::isfinite(timepoints[slot]) || !std::isfinite(beatpoints[slot]))
                fail("a time line or beat position is not finite", text);
        }
        if (!(beat > 0) || !std::isfinite(beat)) fail("beat is not positive and finite", text);
        expected += reports_in(text);
        if (expected > INT_MAX) expected = INT_MAX;
        if (nerrors != expected) fail("nerrors differs from the reports printed", text);
        if (args.nonFinite && nerrors == before && before != INT_MAX)
            fail("a non-finite argument was not reported", text);
    }
    std::fclose(stdout);
    std::fclose(stderr);
    stdout = realOut;
    stderr = realErr;
    std::free(outData);
    return 0;
}
