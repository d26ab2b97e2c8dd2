#pragma once
// Texts of the error boxes. Any thread.

#include <QString>
#include <exception>

namespace zelvorna {

// The application's default error box ends its text with a full stop.
QString WithFullStop(QString text);

// Text of any exception: what() read as UTF-8, or a generic text for non-standard exceptions.
QString MessageOf(const std::exception_ptr& error);

} // namespace zelvorna
