// Reply header lines as libcurl hands them over, one raw line at a time: any lines, any order.
#include "header_lines.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    zelvorna::ReplyHeaders headers;
    std::size_t start = 0;
    while (start < input.size()) {
        std::size_t end = input.find('\n', start);
        end = end == std::string_view::npos ? input.size() : end + 1;
        headers.addLine(input.substr(start, end - start));
        start = end;
    }
    const std::string packed = headers.packed(true);
    if (!packed.empty() && (packed.size() < 2 || packed.back() != '\0'))
        std::abort();
    headers.value("icy-metaint");
    const int metaint = zelvorna::leadingNumber(headers.value("icy-metaint").value_or(""), -1);
    (void)metaint;
    zelvorna::mediaType(headers.value("content-type").value_or(""));
    return 0;
}
