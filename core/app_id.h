#pragma once
// The application's one reverse-DNS id: the desktop file's name, the Wayland app id, the MPRIS
// desktop entry, the AppStream id and the session-bus name that keeps one copy per session.

namespace zelvorna {
inline constexpr char kAppId[] = "br.com.radiozelvorna.Ouvinte";
} // namespace zelvorna
