// The text GET's decoding: any Content-Type (the input's first line) and any body.
#include "text_get.h"

#include <QByteArray>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray contentType = newline < 0 ? input : input.left(newline);
    const QByteArray body = newline < 0 ? QByteArray() : input.mid(newline + 1);
    content::DecodeBody(body, contentType);
    return 0;
}
