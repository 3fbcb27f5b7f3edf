#pragma once

#include <QString>
#include <QStringList>

namespace trajetix {

// Texts of the route-service choice on the settings tab, and the notice Google asks apps to
// show with walking and bicycling routes of the Routes API. By language index 0..6.
struct ServiceTexts {
    QString lblServicoRotas;     // heading of the service list
    QStringList cmbxServico;     // the list's entries: 0 Distance Matrix, 1 Routes API
    QString betaNoticeWalking;   // one line under the travel-mode list
    QString betaNoticeBicycling; // likewise
};

const ServiceTexts &serviceTexts(int language);

} // namespace trajetix
