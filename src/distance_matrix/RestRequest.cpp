#include "distance_matrix/RestRequest.h"

#include "distance_matrix/FormEncoding.h"

namespace trajetix {

RestRequest::RestRequest()
    : m_parameters{{QStringLiteral("origins"), {}},
                   {QStringLiteral("destinations"), {}},
                   {QStringLiteral("key"), {}},
                   {QStringLiteral("language"), QStringLiteral("PT")},
                   {QStringLiteral("mode"), {}}}
{
}

bool RestRequest::setParameter(QStringView name, const QString &value)
{
    for (Parameter &p : m_parameters) {
        if (name.compare(p.name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return true;
        }
    }
    return false;
}

QString RestRequest::parameter(QStringView name) const
{
    for (const Parameter &p : m_parameters) {
        if (name.compare(p.name, Qt::CaseInsensitive) == 0)
            return p.value;
    }
    return {};
}

QStringList RestRequest::parameterNames() const
{
    QStringList names;
    for (const Parameter &p : m_parameters)
        names.append(p.name);
    return names;
}

QByteArray RestRequest::query() const
{
    QByteArray q;
    for (const Parameter &p : m_parameters) {
        if (!q.isEmpty())
            q.append('&');
        q.append(p.name.toLatin1());
        q.append('=');
        q.append(formUrlEncode(p.value));
    }
    return q;
}

} // namespace trajetix
