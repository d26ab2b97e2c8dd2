#pragma once
// Hands an outside link (web page, e-mail) to the desktop; the outcome is never looked at.

#include <QUrl>

namespace profile {

class TLinkOpener {
public:
    // How the opened program's window should appear; the desktop on Linux has no such request,
    // but callers state it and tests check it.
    enum class ShowMode { Normal, Maximized };

    virtual ~TLinkOpener();
    // Returns at once; a link nobody can open is silently dropped.
    virtual void Open(const QUrl& link, ShowMode mode) = 0;
};

class TDesktopLinkOpener final : public TLinkOpener {
public:
    void Open(const QUrl& link, ShowMode mode) override;
};

} // namespace profile
