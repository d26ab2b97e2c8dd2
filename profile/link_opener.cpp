#include "link_opener.h"

#include <QDesktopServices>

namespace profile {

TLinkOpener::~TLinkOpener() = default;

void TDesktopLinkOpener::Open(const QUrl& link, ShowMode mode) {
    Q_UNUSED(mode); // no window-state hint reaches the default program here
    QDesktopServices::openUrl(link);
}

} // namespace profile
