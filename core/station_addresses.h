#pragma once
// Every address of the station, built once from the deployment values (stream host, website
// host, request e-mail) and handed to the part that uses it. Plain values: any thread.

#include <QString>
#include <QStringList>
#include <QUrl>

namespace zelvorna {

struct TStationAddresses {
    // The stream in the order the player tries it: https first, then plain http.
    QStringList streams;
    QUrl sponsorFeed;
    QUrl programmeFeed;
    QUrl statisticsPage;
    QUrl promotionsPage;
    QUrl songRequest; // mailto:

    // streamHost: the streaming server's host (its port is fixed); siteHost: host[:port] of the
    // website.
    static TStationAddresses From(const QString& streamHost, const QString& siteHost,
                                  const QString& requestEmail);
};

} // namespace zelvorna
