// Reading one line of a call script: a call (NAME ARG ...), an assignment (NAME = VALUE,
// NAME[I] = VALUE, NAME[I][J] = VALUE), a comment or a blank line; with the diagnostic of a
// line that cannot be run.
#include <cctype>
#include <cstddef>
#include <string>
#include <vector>

#include "script.h"

namespace cli {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }
bool is_name_start(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool is_name_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The line without its comment: a '#' that starts a word starts the comment (the '#' in the
// middle of F#2 does not).
std::string code_of(const std::string& line) {
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '#' && (i == 0 || is_blank(line[i - 1]))) return line.substr(0, i);
    }
    return line;
}

// The words of text from position from on, with their columns.
std::vector<Token> words_of(const std::string& text, std::size_t from) {
    std::vector<Token> words;
    std::size_t i = from;
    while (i < text.size()) {
        while (i < text.size() && is_blank(text[i])) ++i;
        const std::size_t start = i;
        while (i < text.size() && !is_blank(text[i])) ++i;
        if (i > start)
            words.push_back({text.substr(start, i - start), static_cast<int>(start) + 1});
    }
    return words;
}

// Column just after the last character that is not blank.
int end_column(const std::string& code) {
    std::size_t end = code.size();
    while (end > 0 && is_blank(code[end - 1])) --end;
    return static_cast<int>(end) + 1;
}

std::vector<std::string> operation_names() {
    std::size_t count = 0;
    const Operation* ops = operations(count);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) names.push_back(ops[i].name);
    return names;
}

std::vector<std::string> variable_names() {
    std::size_t count = 0;
    const Variable* vars = variables(count);
    std::vector<std::string> names;
    for (std::size_t i = 0; i < count; ++i) names.push_back(vars[i].name);
    return names;
}

std::string with_hint(std::string message, const std::string& hint) {
    if (!hint.empty()) message += "; " + hint;
    return message;
}

int param_count(const Operation& op) {
    int n = 0;
    while (n < kMaxParams && op.params[n].name != nullptr) ++n;
    return n;
}

// "VOW takes 12 arguments (beats color ... swt)" or "startmn takes no arguments".
std::string arity_text(const Operation& op) {
    const int n = param_count(op);
    if (n == 0) return std::string(op.name) + " takes no arguments";
    std::string text = std::string(op.name) + " takes " + std::to_string(n) +
                       (n == 1 ? " argument (" : " arguments (");
    for (int i = 0; i < n; ++i) text += (i > 0 ? " " : "") + std::string(op.params[i].name);
    return text + ")";
}

// A line written as a C++ call, VOW(1, 4, ...); or fine();, is shown as the script writes it.
bool c_style_call(const std::string& code, std::size_t nameEnd, const std::string& name,
                  Diagnostic& error) {
    const std::size_t bad = code.find_first_of("(),;", nameEnd);
    if (bad == std::string::npos) return false;
    std::string rest;
    for (std::size_t i = nameEnd; i < code.size(); ++i) {
        const char c = code[i];
        rest += (c == '(' || c == ')' || c == ',' || c == ';' || c == '\'') ? ' ' : c;
    }
    std::string script = name;
    for (const Token& word : words_of(rest, 0)) script += " " + word.text;
    if (script.size() > 4 * kShownBytes) script = clipped(script.substr(0, 4 * kShownBytes) + " ");
    error = {static_cast<int>(bad) + 1,
             "a call in a script has no parentheses, commas or semicolons; write: " + script};
    return true;
}

bool parse_call(const std::string& code, const std::string& name, int nameColumn,
                std::size_t nameEnd, Statement& st, Diagnostic& error) {
    const Operation* op = find_operation(name);
    if (op == nullptr) {
        if (c_style_call(code, nameEnd, name, error)) return false;
        if (find_variable(name) != nullptr) {
            error = {nameColumn, name + " is a variable; set it with: " + name + " = VALUE"};
            return false;
        }
        error = {nameColumn, with_hint("unknown operation " + quoted(name),
                                       suggestion(name, operation_names()))};
        return false;
    }
    if (c_style_call(code, nameEnd, name, error)) return false;
    const std::vector<Token> args = words_of(code, nameEnd);
    const int n = param_count(*op);
    const int got = static_cast<int>(args.size());
    if (got != n) {
        std::string message = arity_text(*op) + ", got " + std::to_string(got);
        for (const Token& arg : args) {
            if (arg.text == "Hz") {
                message += "; write a frequency and its unit together, as in 130.8Hz";
                break;
            }
        }
        const int column = got > n ? args[static_cast<std::size_t>(n)].column : end_column(code);
        if (got < n) {
            const Param& missing = op->params[got];
            message += "; the first missing is " + std::string(missing.name) + ", " +
                       describe(*missing.quantity);
        }
        error = {column, message};
        return false;
    }
    st.type = Statement::Type::Call;
    st.op = op;
    st.nameColumn = nameColumn;
    st.tokens = args;
    st.args.assign(args.size(), Arg{0.0, 0, '\0'});
    for (std::size_t i = 0; i < args.size(); ++i) {
        const Param& p = op->params[i];
        std::string problem;
        if (!read_value(args[i], *p.quantity, st.args[i], problem)) {
            error = {args[i].column, problem + "; " + op->name + " argument " +
                                         std::to_string(i + 1) + " (" + p.name + ") is " +
                                         describe(*p.quantity)};
            return false;
        }
    }
    return true;
}

// "an array of 17 values" or "a table of 48 rows of 23 values".
std::string shape_text(const Variable& v) {
    if (v.columns > 0) {
        return "a table of " + std::to_string(v.rows) + " rows of " + std::to_string(v.columns) +
               " values; set a cell with: " + v.name + "[ROW][COLUMN] = VALUE";
    }
    return "an array of " + std::to_string(v.rows) + " values; set an entry with: " + v.name +
           "[INDEX] = VALUE";
}

bool parse_assignment(const std::string& code, const std::string& name, int nameColumn,
                      std::size_t nameEnd, Statement& st, Diagnostic& error) {
    const Variable* var = find_variable(name);
    if (var == nullptr) {
        if (find_operation(name) != nullptr) {
            error = {nameColumn, name + " is an operation; call it with: " + name + " ARGUMENTS"};
        } else {
            error = {nameColumn, with_hint("unknown variable " + quoted(name),
                                           suggestion(name, variable_names()))};
        }
        return false;
    }
    std::size_t i = nameEnd;
    auto skip_blanks = [&]() {
        while (i < code.size() && is_blank(code[i])) ++i;
    };
    auto column = [&]() { return static_cast<int>(i) + 1; };
    skip_blanks();

    // Indices, each [N] with N an integer.
    int indices[2] = {0, 0};
    int indexColumns[2] = {0, 0};
    int count = 0;
    while (i < code.size() && code[i] == '[') {
        const int open = column();
        ++i;
        skip_blanks();
        const std::size_t start = i;
        while (i < code.size() && code[i] != ']' && !is_blank(code[i]) && code[i] != '=') ++i;
        const std::string text = code.substr(start, i - start);
        skip_blanks();
        if (i >= code.size() || code[i] != ']') {
            error = {column(),
                     "expected ']' to close the index opened at column " + std::to_string(open)};
            return false;
        }
        const Quantity index = {
            Kind::Integer, "index", {0, kUnbounded, true, false}, reports::Tag::None};
        Arg value = {0.0, 0, '\0'};
        std::string problem;
        if (text.empty() ||
            !read_value({text, static_cast<int>(start) + 1}, index, value, problem)) {
            error = {static_cast<int>(start) + 1,
                     (text.empty()      ? std::string("an empty index")
                      : problem.empty() ? quoted(text) + " is not an index"
                                        : problem) +
                         "; an index is a whole number from 0"};
            return false;
        }
        if (count == 2) {
            error = {open, name + " takes at most two indices"};
            return false;
        }
        indexColumns[count] = static_cast<int>(start) + 1;
        indices[count++] = value.integer;
        ++i;
        skip_blanks();
    }

    const int wanted = var->columns > 0 ? 2 : var->rows > 0 ? 1 : 0;
    if (count != wanted) {
        error = {count > wanted ? indexColumns[wanted] - 1 : nameColumn,
                 wanted == 0 ? name + " is a single value, not an array"
                             : name + " is " + shape_text(*var)};
        return false;
    }
    const int sizes[2] = {var->rows, var->columns};
    for (int k = 0; k < count; ++k) {
        if (indices[k] < 0 || indices[k] >= sizes[k]) {
            const char* what = count == 2 ? (k == 0 ? "row " : "column ") : "index ";
            error = {indexColumns[k], what + std::to_string(indices[k]) + " is outside " + name +
                                          ", whose " +
                                          (count == 2 ? (k == 0 ? "rows" : "columns") : "indices") +
                                          " run from 0 to " + std::to_string(sizes[k] - 1)};
            return false;
        }
    }

    if (i >= code.size() || code[i] != '=') {
        const std::string got =
            words_of(code, i).empty() ? "the end of the line" : quoted(words_of(code, i)[0].text);
        error = {column(), "expected '=' after " + name + ", got " + got};
        return false;
    }
    ++i;
    const int afterEquals = column();
    const std::vector<Token> rest = words_of(code, i);
    if (rest.empty()) {
        error = {afterEquals, "expected a value after '='"};
        return false;
    }
    Token valueToken = rest[0];
    if (valueToken.text.size() > 1 && valueToken.text.back() == ';') {
        error = {valueToken.column + static_cast<int>(valueToken.text.size()) - 1,
                 "a line of a script ends without ';'"};
        return false;
    }
    if (rest.size() > 1) {
        error = {rest[1].column, "unexpected " + quoted(rest[1].text) + " after the value"};
        return false;
    }
    const Quantity& q = value_quantity(*var);
    std::string problem;
    if (!read_value(valueToken, q, st.value, problem)) {
        error = {valueToken.column, problem + "; " + name + " holds " + describe(q)};
        return false;
    }
    st.type = Statement::Type::Assign;
    st.var = var;
    st.index[0] = indices[0];
    st.index[1] = indices[1];
    st.valueToken = valueToken;
    st.nameColumn = nameColumn;
    return true;
}

}  // namespace

bool parse_line(const std::string& line, Statement& st, Diagnostic& error) {
    st = Statement{};
    const std::string code = code_of(line);
    std::size_t i = 0;
    while (i < code.size() && is_blank(code[i])) ++i;
    if (i == code.size()) return true;  // blank or comment only
    const int nameColumn = static_cast<int>(i) + 1;
    if (!is_name_start(code[i])) {
        error = {nameColumn, "expected an operation or a variable at the start of the line, got " +
                                 quoted(words_of(code, i)[0].text)};
        return false;
    }
    const std::size_t start = i;
    while (i < code.size() && is_name_char(code[i])) ++i;
    const std::string name = code.substr(start, i - start);
    std::size_t next = i;
    while (next < code.size() && is_blank(code[next])) ++next;
    if (next < code.size() && (code[next] == '=' || code[next] == '[')) {
        return parse_assignment(code, name, nameColumn, i, st, error);
    }
    if (i < code.size() && !is_blank(code[i]) &&
        code.find_first_of("(),;", i) == std::string::npos) {
        // A name that runs into other characters: VOW1 is read as one word.
        std::size_t end = i;
        while (end < code.size() && !is_blank(code[end])) ++end;
        const std::string word = code.substr(start, end - start);
        error = {nameColumn, with_hint("unknown operation " + quoted(word),
                                       suggestion(word, operation_names()))};
        return false;
    }
    return parse_call(code, name, nameColumn, i, st, error);
}

}  // namespace cli
