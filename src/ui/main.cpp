#include "controller.h"
#include "fluid_synth_output.h"
#include "language.h"
#include "main_window.h"

#include <QApplication>
#include <QLocale>
#include <QSettings>

#ifndef VELMORA_UI_LANGUAGE
#define VELMORA_UI_LANGUAGE "English"
#endif

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    // The build's language is only the fallback for a machine with no locale.
    UseLanguage(application, ChooseLanguage(QLocale::system(), VELMORA_UI_LANGUAGE));
    // Starts loading the SoundFont in the background, so the first piece need not wait.
    music::FluidSynthOutput output;
    ThreadedRenderRunner renderer;
    Controller controller(output, renderer);
    // ~/.config/Velmora/Velmora.conf; a fresh installation has none and starts with the defaults.
    QSettings preferences(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    MainWindow window(controller);
    window.RememberIn(preferences);
    window.SetSoundFontName(QString::fromStdString(output.SoundFontPath()));
    window.show();
    return application.exec();
}
