#include "FuzzSupport.h"

namespace trajetix::fuzz {

void checkProfileFile(QByteArrayView data);
void checkIntegerText(QByteArrayView data);
void checkCodePage(QByteArrayView data);
void checkAnswerBytes(QByteArrayView data);
void checkAnswerJson(QByteArrayView data);
void checkQueryEncoder(QByteArrayView data);
void checkAddressLines(QByteArrayView data);
void checkLineCounter(QByteArrayView data);
void checkRoutesRequest(QByteArrayView data);
void checkRoutesAnswer(QByteArrayView data);

// One libFuzzer executable per entry (fuzz_<name>); fuzz/corpus/<name> holds its
// seeds and fuzz/regressions/<name> the inputs that once failed.
const std::vector<Target> &targets()
{
    static const std::vector<Target> all = {
        {"profile_file", checkProfileFile},     {"integer_text", checkIntegerText},
        {"code_page", checkCodePage},           {"answer_bytes", checkAnswerBytes},
        {"answer_json", checkAnswerJson},       {"query_encoder", checkQueryEncoder},
        {"address_lines", checkAddressLines},   {"line_counter", checkLineCounter},
        {"routes_request", checkRoutesRequest}, {"routes_answer", checkRoutesAnswer},
    };
    return all;
}

} // namespace trajetix::fuzz
