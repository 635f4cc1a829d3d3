// fuzz_scores.cpp -- libFuzzer target: the score server's own readers of untrusted bytes. The input
// up to its first zero byte is a submitted name, shown escaped; the rest is a verifier's answer,
// which once taken must give every field the server stores without throwing.
#include <cstring>
#include <string>

#include "../../scores/text.h"
#include "fuzz.h"

static void CheckName(const std::string& name) {
    const bool taken = NameProblem(name).empty();
    if (taken && (name.empty() || name.size() > NAME_MAX_CHARS)) Finding("a name of the wrong length taken");
    const std::string html = EscapeHtml(name);
    if (html.find_first_of("<>\"'") != std::string::npos) Finding("markup left in escaped text");
    if (EscapeUrl(name).find_first_of("&=#?/ +<>") != std::string::npos) Finding("a URL value not escaped");
}

static void CheckVerdict(const std::string& output) {
    const nlohmann::json verdict = ReadVerdict(output);
    if (verdict.is_null()) return;
    if (verdict["verdict"] == "refused") {
        (void)verdict["reason"].get<std::string>();
        return;
    }
    (void)verdict["score"][0].get<long long>();
    (void)verdict["score"][1].get<long long>();
    for (const char* text : {"mode", "difficulty", "version", "digest"})
        (void)verdict[text].get<std::string>();
    (void)verdict["frames"].get<long long>();
    (void)verdict["seconds"].get<double>();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const char* zero = static_cast<const char*>(memchr(bytes, 0, size));
    const size_t nameSize = zero ? static_cast<size_t>(zero - bytes) : size;
    CheckName(std::string(bytes, nameSize));
    CheckVerdict(zero ? std::string(zero + 1, size - nameSize - 1) : std::string(bytes, size));
    return 0;
}
