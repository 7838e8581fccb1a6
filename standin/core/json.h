#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velkin::standin {

// A JSON string literal, UTF-8. A lone surrogate is written as its \u escape, so the log keeps
// what the program was given even where it is not valid text.
std::string JsonString(std::wstring_view text);
std::string JsonAsciiString(std::string_view ascii);
inline const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

std::string Base64(std::string_view bytes);

// Builds one object on one line; fields in the order they are added.
class JsonObject {
public:
    JsonObject& Text(std::string_view name, std::wstring_view value);
    JsonObject& Ascii(std::string_view name, std::string_view value);
    JsonObject& Number(std::string_view name, long long value);
    JsonObject& Unsigned(std::string_view name, std::uint64_t value);
    JsonObject& Bool(std::string_view name, bool value);
    JsonObject& Null(std::string_view name);
    JsonObject& TextList(std::string_view name, const std::vector<std::wstring>& values);
    JsonObject& Raw(std::string_view name, std::string_view json);
    std::string Finish() const { return body_ + "}"; }

private:
    void Key(std::string_view name);
    std::string body_ = "{";
};

std::string JsonArray(const std::vector<std::string>& rawItems);

} // namespace velkin::standin
