#include "resourcesinit.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

static void registerResources()
{
    Q_INIT_RESOURCE(resources);
}

void initResources()
{
    static const bool done = (registerResources(), true);
    Q_UNUSED(done)
}

QString embeddedFontFamily()
{
    static const QString family = [] {
        initResources();
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/rc/FZHTJW.TTF"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}
