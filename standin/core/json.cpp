#include "core/json.h"

#include "core/text.h"

namespace velkin::standin {
namespace {

void AppendEscape(std::string& out, unsigned unit) {
    static const char kHex[] = "0123456789abcdef";
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        out += kHex[(unit >> shift) & 0xF];
    }
}

} // namespace

std::string JsonString(std::wstring_view text) {
    std::string out = "\"";
    ForEachCodePoint(text, [&](char32_t cp, bool valid) {
        if (!valid) {
            AppendEscape(out, cp <= 0xFFFF ? static_cast<unsigned>(cp) : 0xFFFDu);
            return;
        }
        switch (cp) {
        case U'"':
            out += "\\\"";
            return;
        case U'\\':
            out += "\\\\";
            return;
        case U'\n':
            out += "\\n";
            return;
        case U'\r':
            out += "\\r";
            return;
        case U'\t':
            out += "\\t";
            return;
        default:
            break;
        }
        if (cp < 0x20 || cp == 0x7F || cp == 0x2028 || cp == 0x2029) {
            AppendEscape(out, static_cast<unsigned>(cp));
            return;
        }
        AppendUtf8(out, cp);
    });
    out += '"';
    return out;
}

std::string JsonAsciiString(std::string_view ascii) {
    std::wstring wide;
    for (const char c : ascii) {
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    return JsonString(wide);
}

std::string Base64(std::string_view bytes) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                           (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    const std::size_t rest = bytes.size() - i;
    if (rest != 0) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (rest == 2) {
            v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        }
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += rest == 2 ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

void JsonObject::Key(std::string_view name) {
    if (body_.size() > 1) {
        body_ += ',';
    }
    body_ += JsonAsciiString(name);
    body_ += ':';
}

JsonObject& JsonObject::Text(std::string_view name, std::wstring_view value) {
    Key(name);
    body_ += JsonString(value);
    return *this;
}

JsonObject& JsonObject::Ascii(std::string_view name, std::string_view value) {
    Key(name);
    body_ += JsonAsciiString(value);
    return *this;
}

JsonObject& JsonObject::Number(std::string_view name, long long value) {
    Key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Unsigned(std::string_view name, std::uint64_t value) {
    Key(name);
    body_ += std::to_string(value);
    return *this;
}

JsonObject& JsonObject::Bool(std::string_view name, bool value) {
    Key(name);
    body_ += JsonBool(value);
    return *this;
}

JsonObject& JsonObject::Null(std::string_view name) {
    Key(name);
    body_ += "null";
    return *this;
}

JsonObject& JsonObject::TextList(std::string_view name, const std::vector<std::wstring>& values) {
    std::vector<std::string> items;
    items.reserve(values.size());
    for (const auto& value : values) {
        items.push_back(JsonString(value));
    }
    return Raw(name, JsonArray(items));
}

JsonObject& JsonObject::Raw(std::string_view name, std::string_view json) {
    Key(name);
    body_ += json;
    return *this;
}

std::string JsonArray(const std::vector<std::string>& rawItems) {
    std::string out = "[";
    for (std::size_t i = 0; i < rawItems.size(); ++i) {
        if (i != 0) {
            out += ',';
        }
        out += rawItems[i];
    }
    out += ']';
    return out;
}

} // namespace velkin::standin
