#include "FuzzSupport.h"

namespace trajetix::fuzz {

void checkProfileFile(QByteArrayView data);
void checkIntegerText(QByteArrayView data);
void checkCodePage(QByteArrayView data);

// One libFuzzer executable per entry (fuzz_<name>); fuzz/corpus/<name> holds its
// seeds and fuzz/regressions/<name> the inputs that once failed.
const std::vector<Target> &targets()
{
    static const std::vector<Target> all = {
        {"profile_file", checkProfileFile},
        {"integer_text", checkIntegerText},
        {"code_page", checkCodePage},
    };
    return all;
}

} // namespace trajetix::fuzz
