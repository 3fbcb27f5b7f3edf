// The route-service texts of the seven languages, kept apart from the older tables.
#include "i18n/ServiceTexts.h"

#include "i18n/Texts.h"

namespace trajetix {

const ServiceTexts &serviceTexts(int language)
{
    Q_ASSERT(isLanguageIndex(language));
    static const ServiceTexts table[LanguageCount] = {
        {
            QStringLiteral("Serviço de rotas do Google"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("API Routes")},
            QStringLiteral("As rotas a pé estão em versão beta e podem não ter calçadas ou caminhos para "
                           "pedestres bem definidos."),
            QStringLiteral(
                "As rotas de bicicleta estão em versão beta e podem não ter ciclovias bem definidas."),
        },
        {
            QStringLiteral("Google route service"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("Routes API")},
            QStringLiteral(
                "Walking routes are in beta and may be missing clear sidewalks or pedestrian paths."),
            QStringLiteral("Bicycling routes are in beta and may be missing clear bicycle paths."),
        },
        {
            QStringLiteral("Servicio de rutas de Google"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("API Routes")},
            QStringLiteral(
                "Las rutas a pie están en versión beta y es posible que no tengan aceras o senderos "
                "peatonales bien definidos."),
            QStringLiteral("Las rutas en bicicleta están en versión beta y es posible que no tengan carriles "
                           "bici bien definidos."),
        },
        {
            QStringLiteral("Google-Routendienst"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("Routes API")},
            QStringLiteral(
                "Fußgängerrouten sind in der Betaphase; eindeutige Gehwege oder Fußwege können fehlen."),
            QStringLiteral("Fahrradrouten sind in der Betaphase; eindeutige Radwege können fehlen."),
        },
        {
            QStringLiteral("Service d'itinéraires Google"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("API Routes")},
            QStringLiteral(
                "Les itinéraires à pied sont en version bêta et peuvent ne pas indiquer clairement "
                "les trottoirs ou chemins piétons."),
            QStringLiteral(
                "Les itinéraires à vélo sont en version bêta et peuvent ne pas indiquer clairement "
                "les pistes cyclables."),
        },
        {
            QStringLiteral("Сервіс маршрутів Google"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("Routes API")},
            QStringLiteral("Піші маршрути в бета-версії: на них можуть бути відсутні чіткі тротуари чи "
                           "пішохідні доріжки."),
            QStringLiteral(
                "Велосипедні маршрути в бета-версії: на них можуть бути відсутні чіткі велодоріжки."),
        },
        {
            QStringLiteral("Google 路线服务"),
            {QStringLiteral("Distance Matrix"), QStringLiteral("Routes API")},
            QStringLiteral("步行路线处于测试阶段，可能缺少清晰的人行道或步行道。"),
            QStringLiteral("骑行路线处于测试阶段，可能缺少清晰的自行车道。"),
        },
    };
    return table[language];
}

} // namespace trajetix
