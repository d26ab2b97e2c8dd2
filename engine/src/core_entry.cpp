// The core library's export: streams, with libcurl set up once before the first.
#include "stream.h"
#include "stream_core.h"

#include <curl/curl.h>

#include <mutex>

namespace zelvorna {
namespace {

std::shared_ptr<StreamCore> openStream(DWORD handle, DWORD flags, std::string url,
                                       bool followPlaylists) {
    static std::once_flag curlReady;
    std::call_once(curlReady, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    return std::make_shared<Stream>(handle, flags, std::move(url), followPlaylists);
}

const CoreApi kApi{&openStream};

} // namespace
} // namespace zelvorna

extern "C" __attribute__((visibility("default"))) const zelvorna::CoreApi* zelvorna_engine_core() {
    return &zelvorna::kApi;
}
