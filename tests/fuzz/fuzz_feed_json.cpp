// A feed as the parsing threads read it: parse, require an array, read the four members of
// every element. Errors are the feed's; anything else (a crash, a hang) is ours.
#include "feed_json.h"

#include <QString>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const auto document = content::ParseFeed(text);
    if (!document)
        return 0;
    try {
        const rapidjson::Value& elements = content::RequireArray(*document);
        for (rapidjson::SizeType i = 0; i < elements.Size(); ++i)
            for (const char* name :
                 {"Nome_Patrocinador", "Descricao", "Url_Patrocinador", "Url_Image"})
                content::ReadStringField(elements[i], name);
    } catch (const std::runtime_error&) {
    }
    return 0;
}
