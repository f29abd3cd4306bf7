#include "languagesettings.h"

#include <QCoreApplication>
#include <QDebug>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

const char *LanguageSettings::catalogue(int language)
{
    return language != 0 ? ":/english.qm" : ":/chinese.qm";
}

bool LanguageSettings::install(int language)
{
    // One for the application's lifetime, replaced in place: a catalogue left installed would answer for texts the
    // new one leaves untranslated.
    static QPointer<QTranslator> program, qt;
    if (!program) {
        program = new QTranslator(QCoreApplication::instance());
        qt = new QTranslator(QCoreApplication::instance());
    }
    // Qt's own texts follow; without their catalogue the program still speaks its language.
    installQtTexts(language, qt);
    QCoreApplication::removeTranslator(program);
    const QString name = QString::fromLatin1(catalogue(language));
    const bool loaded = program->load(name);
    if (!loaded)
        qWarning() << "cannot load" << name;
    QCoreApplication::installTranslator(program);
    return loaded;
}

QString LanguageSettings::qtCatalogueFolder()
{
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#else
    return QLibraryInfo::location(QLibraryInfo::TranslationsPath);
#endif
}

bool LanguageSettings::installQtTexts(int language, QTranslator *translator, const QString &folder)
{
    // Month and day names of the calendars come from the locale, not from a catalogue.
    QLocale::setDefault(language != 0 ? QLocale(QLocale::English, QLocale::UnitedStates)
                                      : QLocale(QLocale::Chinese, QLocale::China));
    QCoreApplication::removeTranslator(translator);
    if (language != 0)
        return true;
    // qtbase holds the message boxes, button boxes, file, print and colour dialogs.
    const QString name = QStringLiteral("qtbase_zh_CN");
    if (!translator->load(name, folder)) {
        qWarning().noquote()
            << "cannot load Qt's own Chinese texts" << name + QStringLiteral(".qm") << "from" << folder
            << "(Debian package qttranslations5-l10n or qt6-translations-l10n); Qt's dialogs stay English";
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
