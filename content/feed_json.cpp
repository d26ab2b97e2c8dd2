#include "feed_json.h"

#include <cstring>
#include <string>

namespace content {
namespace {

// Whether arrays and objects nest no deeper than limit, strings skipped. A linear scan, so that
// a hostile feed of nested brackets costs nothing but its length.
bool NestingWithin(const QByteArray& json, int limit) {
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < json.size(); ++i) {
        const char c = json[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit)
                return false;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return true;
}

} // namespace

std::optional<TFeedDocument> ParseFeed(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (!NestingWithin(utf8, kMaxFeedDepth))
        return std::nullopt;
    TFeedDocument document;
    // Numbers as strings: the feed's "1.50" must stay "1.50", not become 1.5. Iterative: the
    // parser keeps its own stack on the heap, never the thread's.
    document.Parse<rapidjson::kParseNumbersAsStringsFlag | rapidjson::kParseIterativeFlag>(
        utf8.constData(), static_cast<size_t>(utf8.size()));
    if (document.HasParseError())
        return std::nullopt;
    return document;
}

const rapidjson::Value& RequireArray(const TFeedDocument& document) {
    if (!document.IsArray())
        throw EInvalidCast();
    return document;
}

QString ReadStringField(const rapidjson::Value& value, const char* name) {
    const std::string notFound = std::string("Value '") + name + "' not found";
    if (!value.IsObject())
        throw EJSONException(notFound);
    const size_t nameLength = std::strlen(name);
    // Walk the members ourselves so the first of duplicate names wins, in document order.
    for (auto member = value.MemberBegin(); member != value.MemberEnd(); ++member) {
        const rapidjson::Value& key = member->name;
        if (key.GetStringLength() != nameLength ||
            std::memcmp(key.GetString(), name, nameLength) != 0)
            continue;
        const rapidjson::Value& field = member->value;
        switch (field.GetType()) {
        case rapidjson::kStringType: // numbers arrive here too, as written
            return QString::fromUtf8(field.GetString(),
                                     static_cast<qsizetype>(field.GetStringLength()));
        case rapidjson::kTrueType:
            return QStringLiteral("true");
        case rapidjson::kFalseType:
            return QStringLiteral("false");
        case rapidjson::kNullType:
            return QString();
        case rapidjson::kObjectType:
            throw EJSONException("Conversion from TJSONObject to string is not supported");
        case rapidjson::kArrayType:
            throw EJSONException("Conversion from TJSONArray to string is not supported");
        case rapidjson::kNumberType:
            break; // not produced with numbers parsed as strings
        }
        return QString::fromStdString(std::to_string(field.GetDouble()));
    }
    throw EJSONException(notFound);
}

} // namespace content
