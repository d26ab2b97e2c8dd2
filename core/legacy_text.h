#pragma once
// Text from old writers and old servers: UTF-8 where the bytes are valid UTF-8, else the
// Windows code page they were written in (Windows-1252). No byte is ever lost. Any thread.

#include <QByteArrayView>
#include <QString>

namespace zelvorna {

QString DecodeWindows1252(QByteArrayView bytes);

// wasUtf8, when given, says which of the two it was.
QString DecodeUtf8OrWindows1252(QByteArrayView bytes, bool* wasUtf8 = nullptr);

} // namespace zelvorna
