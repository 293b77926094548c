#include "Json.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

JsonWriter::~JsonWriter() {
    out_ << '\n';
}

void JsonWriter::Indent() {
    out_ << '\n' << std::string(2 * empty_.size(), ' ');
}

// A value goes after its key, or on a line of its own in an array.
void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (empty_.empty())
        return;
    if (!empty_.back())
        out_ << ',';
    empty_.back() = false;
    Indent();
}

JsonWriter& JsonWriter::Open(char bracket) {
    BeforeValue();
    out_ << bracket;
    empty_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::Close(char bracket) {
    const bool wasEmpty = empty_.back();
    empty_.pop_back();
    if (!wasEmpty)
        Indent();
    out_ << bracket;
    return *this;
}

JsonWriter& JsonWriter::BeginObject() {
    return Open('{');
}

JsonWriter& JsonWriter::EndObject() {
    return Close('}');
}

JsonWriter& JsonWriter::BeginArray() {
    return Open('[');
}

JsonWriter& JsonWriter::EndArray() {
    return Close(']');
}

JsonWriter& JsonWriter::Key(std::string_view key) {
    String(key);
    out_ << ": ";
    afterKey_ = true;
    return *this;
}

namespace {

// The length of the well-formed UTF-8 sequence at the start of text, 0 when there is none (a file name
// of another encoding, a cut sequence, an overlong form or a surrogate).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return 0;
    for (std::size_t i = 1; i < length; ++i)
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
    const unsigned char second = byte(1);
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) ||
        (lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

} // namespace

// Bytes that are not UTF-8 become U+FFFD each: the document stays valid whatever a file name holds.
JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    out_ << '"';
    for (std::size_t at = 0; at < text.size();) {
        const char c = text[at];
        const std::size_t length = Utf8Length(text.substr(at));
        if (length == 0) {
            out_ << "\\ufffd";
            ++at;
            continue;
        }
        if (c == '"' || c == '\\') {
            out_ << '\\' << c;
        } else if (c == '\n') {
            out_ << "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out_ << escaped;
        } else {
            out_ << text.substr(at, length);
        }
        at += length;
    }
    out_ << '"';
    return *this;
}

JsonWriter& JsonWriter::Integer(std::int64_t value) {
    BeforeValue();
    out_ << value;
    return *this;
}

JsonWriter& JsonWriter::Number(double value) {
    if (!std::isfinite(value))
        return Null();
    BeforeValue();
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out_.write(text, result.ptr - text);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ << (value ? "true" : "false");
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ << "null";
    return *this;
}
