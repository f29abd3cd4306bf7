#include "resourcesinit.h"

#include <QByteArray>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QResource>
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
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
        // The system's fonts are read first: Qt 5 reads a font added before them once more along with them, and
        // this one takes long to read.
        const QFontDatabase systemFonts; // reads them
#endif
        // Handed over as the bytes compiled into the program, not as a file name: a font added by name is read
        // into memory once here and again when it is first drawn, 5 MB each time.
        const QResource font(QStringLiteral(":/rc/FZHTJW.TTF"));
        const QByteArray data =
            font.compressionAlgorithm() == QResource::NoCompression
                ? QByteArray::fromRawData(reinterpret_cast<const char *>(font.data()), int(font.size()))
                : font.uncompressedData();
        const int id = QFontDatabase::addApplicationFontFromData(data);
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QString() : families.first();
    }();
    return family;
}

QFont setEmbeddedApplicationFont()
{
    QFont font;
    const QString family = embeddedFontFamily();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPointSize(18);
    // Drawn as designed, without the auto-hinter: it fits every glyph of a large CJK face anew at start, and at this
    // size the outlines need no fitting to the pixel grid.
    font.setHintingPreference(QFont::PreferNoHinting);
    QGuiApplication::setFont(font);
    return font;
}
