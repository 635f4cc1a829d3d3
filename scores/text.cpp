// text.cpp -- names, escaping, secrets and the verifier's answer.
#include "text.h"

#include <cstdio>
#include <random>

std::string NameProblem(const std::string& name) {
    if (name.empty()) return "a name is needed";
    if (name.size() > NAME_MAX_CHARS) return "a name has at most 12 characters";
    for (char c : name)
        if (c < 0x20 || c > 0x7e) return "a name has printable characters only (ASCII)";
    if (name.front() == ' ' || name.back() == ' ') return "a name neither starts nor ends with a space";
    return "";
}

std::string EscapeHtml(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string EscapeUrl(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        char hex[4];
        snprintf(hex, sizeof hex, "%%%02X", c);
        out += isalnum(c) ? std::string(1, static_cast<char>(c)) : hex;
    }
    return out;
}

std::string NewSecret() {
    std::random_device source;
    std::string secret;
    for (int i = 0; i < 4; i++) {
        char hex[9];
        snprintf(hex, sizeof hex, "%08x", source());
        secret += hex;
    }
    return secret;
}

bool SameSecret(const std::string& a, const std::string& b) {
    unsigned char differ = a.size() != b.size();
    for (size_t i = 0; i < a.size() && i < b.size(); i++)
        differ |= static_cast<unsigned char>(a[i] ^ b[i]);
    return !differ;
}

nlohmann::json ReadVerdict(const std::string& output) {
    using nlohmann::json;
    const json v = json::parse(output, nullptr, false);
    if (!v.is_object() || !v.contains("verdict")) return json();
    if (v["verdict"] == "refused" && v.contains("reason") && v["reason"].is_string()) return v;
    if (v["verdict"] != "verified") return json();
    const bool typed = v.contains("score") && v["score"].is_array() && v["score"].size() == 2 &&
                       v["score"][0].is_number_integer() && v["score"][1].is_number_integer() &&
                       v.contains("mode") && v["mode"].is_string() && v.contains("difficulty") &&
                       v["difficulty"].is_string() && v.contains("version") && v["version"].is_string() &&
                       v.contains("frames") && v["frames"].is_number_integer() && v.contains("seconds") &&
                       v["seconds"].is_number() && v.contains("digest") && v["digest"].is_string();
    return typed ? v : json();
}
