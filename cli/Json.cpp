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

JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    out_ << '"';
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out_ << '\\' << c;
        } else if (c == '\n') {
            out_ << "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            out_ << escaped;
        } else {
            out_ << c;
        }
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
