#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace trajetix {

// The one request the client sends: GET with the five parameters origins, destinations,
// key, language and mode, always in that order in the query. language is "PT" from the
// start; the others start empty and keep a value until it is set again.
class RestRequest {
  public:
    RestRequest();

    static QByteArray method() { return QByteArrayLiteral("GET"); }

    // Sets a parameter by name, whatever the case of the name. Returns false (and changes
    // nothing) for a name that is not one of the five.
    bool setParameter(QStringView name, const QString &value);
    // The value of a parameter (case of the name ignored); empty for an unknown name.
    QString parameter(QStringView name) const;
    // The names in query order.
    QStringList parameterNames() const;

    // "origins=…&destinations=…&key=…&language=PT&mode=…", values form-urlencoded.
    QByteArray query() const;

  private:
    struct Parameter {
        QString name;
        QString value;
    };
    QList<Parameter> m_parameters;
};

} // namespace trajetix
