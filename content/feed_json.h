#pragma once
// Parsing of the station's JSON feeds and reading of their members as text. Any thread.

#include <QString>
#include <optional>
#include <rapidjson/document.h>
#include <stdexcept>

namespace content {

// The JSON library's error: a member missing or not convertible to text.
class EJSONException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The top level of a feed is not an array.
class EInvalidCast : public std::runtime_error {
public:
    EInvalidCast() : std::runtime_error("Invalid class typecast") {}
};

// Numbers are kept as the text written in the feed (see ParseFeed).
using TFeedDocument = rapidjson::Document;

// Deepest nesting of arrays and objects a feed may have; the station's feeds have two levels.
inline constexpr int kMaxFeedDepth = 32;

// Exactly one JSON value with optional white space around it, nested no deeper than
// kMaxFeedDepth; anything else gives nullopt.
std::optional<TFeedDocument> ParseFeed(const QString& text);

// The document's top level as an array; throws EInvalidCast otherwise.
const rapidjson::Value& RequireArray(const TFeedDocument& document);

// The first member called exactly name, as text: strings as they are, numbers as written,
// "true"/"false", null as "". Throws EJSONException when value is not an object, the member is
// missing, or it holds an object or an array.
QString ReadStringField(const rapidjson::Value& value, const char* name);

} // namespace content
