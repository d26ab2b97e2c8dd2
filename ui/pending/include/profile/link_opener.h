#pragma once
// Stand-in until profile/link_opener.h lands: same names, opens nothing.

#include <QUrl>

namespace profile {

class TLinkOpener {
public:
    enum class ShowMode { Normal, Maximized };
    virtual ~TLinkOpener() = default;
    virtual void Open(const QUrl& link, ShowMode mode) = 0;
};

class TDesktopLinkOpener final : public TLinkOpener {
public:
    void Open(const QUrl&, ShowMode) override {}
};

} // namespace profile
