#include "script/ini.h"

#include "script/scripttext.h"

#include "files/regularfile.h"
#include "log/log.h"

#include <QStringView>

namespace vistrel::script {

namespace {

QString cut(const QString& value, int bufferChars) {
    if (bufferChars <= 0)
        return {};
    return value.left(bufferChars - 1);
}

QStringView unquote(QStringView v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return v.sliced(1, v.size() - 2);
    return v;
}

}  // namespace

QString lookupProfileString(const QString& iniText, const QString& section, const QString& key,
                            const QString& defaultValue, int bufferChars) {
    const QStringView wantSection = QStringView(section).trimmed();
    const QStringView wantKey = QStringView(key).trimmed();
    bool inSection = false;
    const QStringView text(iniText);
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype end = pos;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = text.sliced(pos, end - pos).trimmed();
        pos = end + 1;
        if (line.isEmpty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            const qsizetype close = line.indexOf(u']');
            const QStringView name =
                line.sliced(1, (close < 0 ? line.size() : close) - 1).trimmed();
            inSection = name.compare(wantSection, Qt::CaseInsensitive) == 0;
            continue;
        }
        if (!inSection)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (line.first(eq).trimmed().compare(wantKey, Qt::CaseInsensitive) != 0)
            continue;
        return cut(unquote(line.sliced(eq + 1).trimmed()).toString(), bufferChars);
    }
    return cut(defaultValue, bufferChars);
}

QString readPrivateProfileString(const QString& section, const QString& key,
                                 const QString& defaultValue, const QString& path,
                                 int bufferChars) {
    QByteArray bytes;
    try {
        bytes = files::read<QByteArray>(std::filesystem::path(path.toStdU16String()),
                                        static_cast<std::uint64_t>(kMaxIniFileBytes));
    } catch (const files::Error& e) {
        log::ignored(log::script(), QLatin1String("read ") + path, e);
        return cut(defaultValue, bufferChars);
    }
    return lookupProfileString(decodeScriptText(bytes), section, key, defaultValue, bufferChars);
}

}  // namespace vistrel::script
