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

QString shownArchiveLocation(const QString &text)
{
    const QString trimmed = text.trimmed();
    const int schemeEnd = trimmed.indexOf(QStringLiteral("://"));
    if (schemeEnd < 0)
        return trimmed; // a file
    // Taken apart by hand: a location too broken for QUrl (a bad port, an unknown scheme) must be shown safely too.
    // The user's part runs to the last '@', a password being free to hold any character.
    QString rest = trimmed.mid(schemeEnd + 3);
    const int at = rest.lastIndexOf(QLatin1Char('@'));
    const int colon = rest.indexOf(QLatin1Char(':'));
    if (at >= 0 && colon >= 0 && colon < at)
        rest.remove(colon, at - colon);
    // Of the options only the socket folder is shown; any other may be a secret (password=, sslpassword=, ...).
    const int question = rest.indexOf(QLatin1Char('?'), qMax(0, rest.indexOf(QLatin1Char('@'))));
    if (question >= 0) {
        QStringList options = rest.mid(question + 1).split(QLatin1Char('&'));
        for (QString &option : options) {
            const QString key = option.section(QLatin1Char('='), 0, 0);
            if (key != QLatin1String("host"))
                option = option.contains(QLatin1Char('=')) ? key + QStringLiteral("=***") : QStringLiteral("***");
        }
        rest = rest.left(question + 1) + options.join(QLatin1Char('&'));
    }
    return trimmed.left(schemeEnd + 3) + rest;
}

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
        const QString shown = shownArchiveLocation(trimmed);
        const QString scheme = trimmed.left(schemeEnd).toLower();
        if (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres"))
            return refuse(error, QStringLiteral("unknown archive location %1: use %2").arg(shown, AcceptedForms));
        const QUrl url(trimmed, QUrl::StrictMode);
        const QString name = url.path().mid(1);
        if (!url.isValid() || name.isEmpty() || name.contains(QLatin1Char('/')))
            return refuse(error, QStringLiteral("bad archive location %1: use %2").arg(shown, AcceptedForms));
        if (!url.password().isEmpty())
            return refuse(error, QStringLiteral("the archive location %1 must not hold a password: "
                                                "give it in PGPASSWORD or ~/.pgpass")
                                     .arg(shown));
        const QUrlQuery query(url);
        for (const auto &item : query.queryItems(QUrl::FullyDecoded)) {
            if (item.first != QLatin1String("host"))
                return refuse(
                    error,
                    QStringLiteral("bad archive location %1: the only option is ?host=/SOCKET/FOLDER").arg(shown));
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

QString resolveArchiveLocation(const QString &commandLine, bool *settingsIgnored)
{
    if (settingsIgnored)
        *settingsIgnored = false;
    return commandLine.isEmpty() ? Settings::archiveLocation(settingsIgnored) : commandLine;
}
