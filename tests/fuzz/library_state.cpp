// Saving and restoring every exported variable. The script runner's table lists them all with
// their shapes.
#include "library_state.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "script.h"

extern "C" [[noreturn]] void __real_exit(int status);
extern "C" [[noreturn]] void __wrap_exit(int status);

std::jmp_buf exitJump;
bool exitArmed = false;

namespace {

size_t bytes_of(const cli::Variable& v) {
    const size_t cells = static_cast<size_t>(v.rows > 0 ? v.rows : 1) *
                         static_cast<size_t>(v.columns > 0 ? v.columns : 1);
    return cells * (v.number != nullptr ? sizeof(double) : sizeof(int));
}

void* address_of(const cli::Variable& v) {
    return v.number != nullptr ? static_cast<void*>(v.number) : static_cast<void*>(v.integer);
}

std::vector<unsigned char> startState;

}  // namespace

extern "C" void __wrap_exit(int status) {
    if (exitArmed) std::longjmp(exitJump, 1);
    __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    save_library_state();
    return 0;
}

void save_library_state() {
    size_t count = 0;
    const cli::Variable* all = cli::variables(count);
    startState.clear();
    for (size_t k = 0; k < count; ++k) {
        const auto* bytes = static_cast<const unsigned char*>(address_of(all[k]));
        startState.insert(startState.end(), bytes, bytes + bytes_of(all[k]));
    }
}

void restore_library_state() {
    size_t count = 0;
    const cli::Variable* all = cli::variables(count);
    size_t at = 0;
    for (size_t k = 0; k < count; ++k) {
        std::memcpy(address_of(all[k]), startState.data() + at, bytes_of(all[k]));
        at += bytes_of(all[k]);
    }
}
