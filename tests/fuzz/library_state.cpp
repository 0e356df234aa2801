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

std::vector<unsigned char> startState;

// Copies every exported variable into the start state (save) or back from it.
void copy_state(bool save) {
    size_t count = 0;
    const cli::Variable* all = cli::variables(count);
    size_t at = 0;
    for (size_t k = 0; k < count; ++k) {
        const cli::Variable& v = all[k];
        const size_t cells = static_cast<size_t>(v.rows > 0 ? v.rows : 1) *
                             static_cast<size_t>(v.columns > 0 ? v.columns : 1);
        const size_t bytes = cells * (v.number != nullptr ? sizeof(double) : sizeof(int));
        void* cell = v.number != nullptr ? static_cast<void*>(v.number) : v.integer;
        if (save) startState.resize(at + bytes);
        std::memcpy(save ? startState.data() + at : cell, save ? cell : startState.data() + at,
                    bytes);
        at += bytes;
    }
}

}  // namespace

extern "C" void __wrap_exit(int status) {
    if (exitArmed) std::longjmp(exitJump, 1);
    __real_exit(status);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    copy_state(true);
    return 0;
}

void restore_library_state() { copy_state(false); }
