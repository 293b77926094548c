#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

// Writes one JSON document, indented, as it is built: keys and values in the order given.
class JsonWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}
    ~JsonWriter(); // ends the document with a newline

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(std::string_view key);
    JsonWriter& String(std::string_view text); // UTF-8
    JsonWriter& Integer(std::int64_t value);
    JsonWriter& Number(double value); // shortest form that reads back the same
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

private:
    void BeforeValue();
    JsonWriter& Open(char bracket);
    JsonWriter& Close(char bracket);
    void Indent();

    std::ostream& out_;
    std::vector<bool> empty_; // per open container: nothing written in it yet
    bool afterKey_ = false;
};
