#include "station_addresses.h"

namespace zelvorna {
namespace {
const QString kStreamPath = QStringLiteral(":8000/radiozelvorna");
} // namespace

TStationAddresses TStationAddresses::From(const QString& streamHost, const QString& siteHost,
                                          const QString& requestEmail) {
    TStationAddresses a;
    a.streams = {QStringLiteral("https://") + streamHost + kStreamPath,
                 QStringLiteral("http://") + streamHost + kStreamPath};
    // The feeds are served over plain http, the pages over https, as the station's site does.
    a.sponsorFeed = QUrl(QStringLiteral("http://%1/patrocinadores.json").arg(siteHost));
    a.programmeFeed = QUrl(QStringLiteral("http://%1/programacao.json").arg(siteHost));
    a.statisticsPage = QUrl(QStringLiteral("https://%1/estatistica_app.php").arg(siteHost));
    a.promotionsPage = QUrl(QStringLiteral("https://%1/promocoes.php").arg(siteHost));
    a.songRequest = QUrl(QStringLiteral("mailto:") + requestEmail);
    return a;
}

} // namespace zelvorna
