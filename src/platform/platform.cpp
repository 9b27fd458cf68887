#include "platform/platform.h"

namespace vistrel::platform {

QStringList nameFilters(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString ownPatterns = QLatin1Char('(') + patterns + QLatin1Char(')');
        if (description.endsWith(ownPatterns))
            out << description;
        else if (description.isEmpty())
            out << ownPatterns;
        else
            out << description + QLatin1Char(' ') + ownPatterns;
    }
    return out;
}

}  // namespace vistrel::platform
