#include "legacy_text.h"

#include <QStringDecoder>

namespace zelvorna {
namespace {

// Windows-1252 bytes 0x80 to 0x9F; the five unassigned ones keep their C1 code, as Windows
// decodes them, so no byte is lost.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

QString DecodeWindows1252(QByteArrayView bytes) {
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        text.append(code >= 0x80 && code < 0xA0 ? QChar(kWindows1252High[code - 0x80])
                                                : QChar(code));
    }
    return text;
}

QString DecodeUtf8OrWindows1252(QByteArrayView bytes, bool* wasUtf8) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(bytes);
    const bool valid = !utf8.hasError();
    if (wasUtf8)
        *wasUtf8 = valid;
    return valid ? text : DecodeWindows1252(bytes);
}

} // namespace zelvorna
