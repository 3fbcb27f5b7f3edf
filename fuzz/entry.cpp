// libFuzzer entry of one target; TRAJETIX_FUZZ_TARGET names it.
#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using namespace trajetix::fuzz;
    static const Check check = [] {
        const Check found = findCheck(TRAJETIX_FUZZ_TARGET);
        if (!found) {
            std::fprintf(stderr, "no fuzz check named %s\n", TRAJETIX_FUZZ_TARGET);
            std::abort();
        }
        return found;
    }();
    try {
        check(QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    } catch (const CheckFailure &failure) {
        std::fprintf(stderr, "CHECK FAILED: %s\n", failure.what());
        std::abort();
    }
    return 0;
}
