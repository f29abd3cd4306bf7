#include "archivelocation.h"

#include "settings.h"

#include <QDir>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString AcceptedForms = QStringLiteral("a path to an SQLite file, postgresql://USER@HOST:PORT/DBNAME or "
                                             "postgresql://USER@/DBNAME?host=/SOCKET/FOLDER");

bool refuse(QString *error, const QString &reason)
{
    if (error)
        *error = reason;
    return false;
}

} // namespace

QString ArchiveLocation::text() const
{
    if (kind == SQLite)
        return path;
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    if (!host.isEmpty() && !host.startsWith(QLatin1Char('/')))
        text += host + QStringLiteral(":%1").arg(port);
    text += QLatin1Char('/') + databaseName;
    if (host.startsWith(QLatin1Char('/')))
        text += QStringLiteral("?host=") + host;
    return text;
}

bool parseArchiveLocation(const QString &text, ArchiveLocation *location, QString *error)
{
    ArchiveLocation parsed;
    const QString trimmed = text.trimmed();
    const int schemeEnd = trimmed.indexOf(QStringLiteral("://"));
    if (trimmed.isEmpty()) {
        parsed.path = defaultArchivePath();
    } else if (schemeEnd < 0) {
        parsed.path = trimmed;
    } else {
        const QString scheme = trimmed.left(schemeEnd).toLower();
        if (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres"))
            return refuse(error, QStringLiteral("unknown archive location %1: use %2").arg(trimmed, AcceptedForms));
        const QUrl url(trimmed, QUrl::StrictMode);
        const QString name = url.path().mid(1);
        if (!url.isValid() || name.isEmpty() || name.contains(QLatin1Char('/')))
            return refuse(error, QStringLiteral("bad archive location %1: use %2").arg(trimmed, AcceptedForms));
        if (!url.password().isEmpty())
            return refuse(error, QStringLiteral("the archive location must not hold a password: "
                                                "give it in PGPASSWORD or ~/.pgpass"));
        const QUrlQuery query(url);
        for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
            if (item.first != QLatin1String("host"))
                return refuse(
                    error,
                    QStringLiteral("bad archive location %1: the only option is ?host=/SOCKET/FOLDER").arg(trimmed));
        }
        parsed.kind = ArchiveLocation::PostgreSQL;
        parsed.user = url.userName();
        parsed.host = query.hasQueryItem(QStringLiteral("host"))
                          ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                          : url.host();
        parsed.port = url.port(5432);
        parsed.databaseName = name;
    }
    if (location)
        *location = parsed;
    return true;
}

QString defaultArchivePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(QStringLiteral("archive.sqlite"));
}

QString resolveArchiveLocation(const QString &commandLine)
{
    return commandLine.isEmpty() ? Settings::archiveLocation() : commandLine;
}
