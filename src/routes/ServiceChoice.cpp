#include "routes/ServiceChoice.h"

#include "batch/BatchRun.h"
#include "distance_matrix/DistanceMatrixService.h"
#include "i18n/ServiceTexts.h"
#include "i18n/Texts.h"
#include "routes/RouteMatrixRequest.h"
#include "routes/RoutesService.h"

namespace trajetix {

ServiceChoice serviceChoiceFromIndex(int index)
{
    return index == int(ServiceChoice::Routes) ? ServiceChoice::Routes : ServiceChoice::DistanceMatrix;
}

QString defaultEndpoint(ServiceChoice choice)
{
    return choice == ServiceChoice::Routes ? RoutesService::defaultEndpoint() : ClientSettings().endpoint;
}

ClientSettings defaultClientSettings(ServiceChoice choice)
{
    ClientSettings settings;
    settings.endpoint = defaultEndpoint(choice);
    return settings;
}

bool isBetaTravelMode(ServiceChoice choice, int modeIndex)
{
    return choice == ServiceChoice::Routes &&
           routes::isBetaTravelMode(routes::travelModeFor(travelModeWord(modeIndex)));
}

QString betaNotice(ServiceChoice choice, int modeIndex, int language)
{
    if (!isBetaTravelMode(choice, modeIndex) || !isLanguageIndex(language))
        return {};
    const ServiceTexts &texts = serviceTexts(language);
    return routes::travelModeFor(travelModeWord(modeIndex)) == u"WALK" ? texts.betaNoticeWalking
                                                                       : texts.betaNoticeBicycling;
}

std::unique_ptr<RouteService> makeRouteService(ServiceChoice choice, ServiceOptions options)
{
    if (options.settings.endpoint.isEmpty())
        options.settings.endpoint = defaultEndpoint(choice);
    if (choice == ServiceChoice::Routes) {
        const int rate = options.elementsPerMinute > 0 ? options.elementsPerMinute
                                                       : RoutesService::defaultElementsPerMinute;
        auto service = std::make_unique<RoutesService>(options.settings, systemWaitClock(),
                                                       std::make_shared<RequestPacer>(rate));
        service->setStopFlag(options.stop);
        service->setWaitInEventLoop(options.waitInEventLoop);
        return service;
    }
    auto service = std::make_unique<DistanceMatrixService>(options.settings);
    service->setWaitInEventLoop(options.waitInEventLoop);
    if (options.elementsPerMinute <= 0)
        return service;
    return std::make_unique<PacedRouteService>(std::move(service),
                                               std::make_shared<RequestPacer>(options.elementsPerMinute));
}

PacedRouteService::PacedRouteService(std::unique_ptr<RouteService> inner, std::shared_ptr<RequestPacer> pacer)
    : m_inner(std::move(inner)), m_pacer(std::move(pacer))
{
}

bool PacedRouteService::send()
{
    if (m_pacer)
        m_pacer->acquire();
    return m_inner->send();
}

} // namespace trajetix
