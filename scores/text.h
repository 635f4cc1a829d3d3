// text.h -- what the server does with untrusted text: player names, HTML escaping, secrets, and the
// verifier's answer.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

// Names are 1 to NAME_MAX_CHARS printable ASCII characters, without a space at either end.
constexpr size_t NAME_MAX_CHARS = 12;
// "" when name can be a player's name, else what is wrong with it.
std::string NameProblem(const std::string& name);
// text with &, <, >, " and ' written as HTML entities.
std::string EscapeHtml(const std::string& text);
// text as a URL query value (every byte but letters and digits as %XX).
std::string EscapeUrl(const std::string& text);
// A new secret for a kept name: 32 hex digits from the system's random source.
std::string NewSecret();
// Whether two secrets are equal, in a time that does not depend on where they differ.
bool SameSecret(const std::string& a, const std::string& b);

// What a verifier printed, read: its JSON object with "verdict" either "verified" (then with
// "score", "mode", "difficulty", "version", "frames", "seconds" and "digest" of the right types) or
// "refused" with a "reason". Anything else gives a null value.
nlohmann::json ReadVerdict(const std::string& output);
