#include "languagesettings.h"

#include <QCoreApplication>
#include <QDebug>
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
    static QPointer<QTranslator> program;
    if (!program)
        program = new QTranslator(QCoreApplication::instance());
    QCoreApplication::removeTranslator(program);
    const QString name = QString::fromLatin1(catalogue(language));
    const bool loaded = program->load(name);
    if (!loaded)
        qWarning() << "cannot load" << name;
    QCoreApplication::installTranslator(program);
    return loaded;
}
