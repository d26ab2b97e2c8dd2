#include "message_text.h"

#include <stdexcept>

namespace zelvorna {

QString WithFullStop(QString text) {
    if (!text.endsWith(u'.'))
        text += u'.';
    return text;
}

QString MessageOf(const std::exception_ptr& error) {
    if (!error)
        return QString();
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Erro desconhecido.");
    }
}

} // namespace zelvorna
