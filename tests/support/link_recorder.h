#pragma once
// A link opener that only records what it was asked to open, for the window's tests.

#include "link_opener.h"

#include <QList>
#include <QStringList>
#include <QUrl>

struct TOpened {
    QUrl url;
    profile::TLinkOpener::ShowMode mode;
};

class TRecordingOpener final : public profile::TLinkOpener {
public:
    void Open(const QUrl& link, ShowMode mode) override { opened.append({link, mode}); }

    QStringList Links() const {
        QStringList links;
        for (const TOpened& entry : opened)
            links.append(entry.url.toString());
        return links;
    }

    QList<TOpened> opened;
};
