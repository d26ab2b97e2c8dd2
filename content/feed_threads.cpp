#include "feed_threads.h"

#include "feed_json.h"

#include "worker.h"

#include <algorithm>

namespace content {
namespace {

// Reads the first three members on the worker and the picture address inside the hand-off.
template <class Add>
void HandElementsOver(zelvorna::TWorker& worker, const rapidjson::Value& elements,
                      const char* const (&fields)[3], const Add& add) {
    // A station has a few dozen sponsors and programmes; a feed of thousands only costs memory.
    const rapidjson::SizeType count = std::min(elements.Size(), kMaxFeedElements);
    for (rapidjson::SizeType i = 0; i < count; ++i) {
        const rapidjson::Value& element = elements[i];
        const QString first = ReadStringField(element, fields[0]);
        const QString second = ReadStringField(element, fields[1]);
        const QString third = ReadStringField(element, fields[2]);
        // The picture address is read inside the hand-off, while the worker still holds the
        // document; what goes on after the download captures copies only.
        worker.SynchronizeAsync([&element, first, second, third, add](zelvorna::THandOffDone done) {
            const QString picture = ReadStringField(element, "Url_Image");
            add(first, second, third, picture, [done] { done(); });
        });
    }
}

void ParseSponsors(zelvorna::TWorker& worker, const QString& json, const AddSponsor& add) {
    if (json.isEmpty())
        return;
    std::optional<TFeedDocument> document = ParseFeed(json);
    if (!document)
        return;
    HandElementsOver(worker, RequireArray(*document),
                     {"Nome_Patrocinador", "Descricao", "Url_Patrocinador"}, add);
}

} // namespace

void RunSponsorParsing(zelvorna::TWorker& worker, const QString& json, const AddSponsor& add,
                       const std::function<void()>& finalStep) {
    try {
        ParseSponsors(worker, json, add);
    } catch (...) {
        // The strip's update must end even when the feed is broken.
        try {
            worker.Synchronize(finalStep);
        } catch (const zelvorna::EWorkerCancelled&) {
        }
        throw;
    }
    worker.Synchronize(finalStep);
}

void RunProgrammeParsing(zelvorna::TWorker& worker, const QString& json, const AddProgramme& add) {
    if (json.isEmpty())
        return;
    std::optional<TFeedDocument> document = ParseFeed(json);
    if (!document)
        throw EInvalidFeed(kInvalidProgrammeFeed);
    HandElementsOver(worker, RequireArray(*document),
                     {"Nome_do_Programa", "Descricao_do_Programa", "Url_do_Programa"}, add);
}

} // namespace content
