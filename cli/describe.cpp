// The script runner's own quick reference: every operation with its parameters and every
// variable with its shape, printed from the same tables the runner reads.
#include <cstdio>
#include <string>

#include "script.h"

namespace cli {
namespace {

std::string shape_of(const Variable& v) {
    const std::string type = v.number != nullptr ? "double" : "int";
    if (v.columns > 0) {
        return type + " table [" + std::to_string(v.rows) + "][" + std::to_string(v.columns) + "]";
    }
    if (v.rows > 0) return type + " array [" + std::to_string(v.rows) + "]";
    return type;
}

}  // namespace

void print_list(std::FILE* out) {
    std::size_t count = 0;
    const Operation* ops = operations(count);
    std::fprintf(out, "Operations (NAME ARGUMENTS...):\n");
    for (std::size_t i = 0; i < count; ++i) {
        std::fprintf(out, "  %s", ops[i].name);
        for (int p = 0; p < kMaxParams && ops[i].params[p].name != nullptr; ++p) {
            std::fprintf(out, " %s", ops[i].params[p].name);
        }
        std::fprintf(out, "\n");
    }
    const Variable* vars = variables(count);
    std::fprintf(out, "Variables (NAME = VALUE, NAME[I] = VALUE, NAME[I][J] = VALUE):\n");
    for (std::size_t i = 0; i < count; ++i) {
        std::fprintf(out, "  %s: %s\n", vars[i].name, shape_of(vars[i]).c_str());
    }
}

bool print_description(std::FILE* out, std::FILE* err, const std::string& name) {
    if (const Operation* op = find_operation(name)) {
        std::fprintf(out, "%s", op->name);
        for (int p = 0; p < kMaxParams && op->params[p].name != nullptr; ++p) {
            std::fprintf(out, " %s", op->params[p].name);
        }
        std::fprintf(out, "\n");
        for (int p = 0; p < kMaxParams && op->params[p].name != nullptr; ++p) {
            std::fprintf(out, "  %2d %s: %s\n", p + 1, op->params[p].name,
                         describe(*op->params[p].quantity).c_str());
        }
        print_phases(out, op->name);
        return true;
    }
    if (const Variable* v = find_variable(name)) {
        std::fprintf(out, "%s: %s", v->name, shape_of(*v).c_str());
        if (v->quantity != nullptr) std::fprintf(out, ", %s", describe(*v->quantity).c_str());
        std::fprintf(out, "\n");
        return true;
    }
    std::fprintf(err, "speechscore: no operation or variable is called %s\n", quoted(name).c_str());
    return false;
}

}  // namespace cli
