#include "controller.h"
#include "fluid_synth_output.h"
#include "language.h"
#include "main_window.h"

#include <QApplication>

#ifndef VELMORA_UI_LANGUAGE
#define VELMORA_UI_LANGUAGE "English"
#endif

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    UseLanguage(application, VELMORA_UI_LANGUAGE);
    // Starts loading the SoundFont in the background, so the first piece need not wait.
    music::FluidSynthOutput output;
    Controller controller(output);
    MainWindow window(controller);
    window.SetSoundFontName(QString::fromStdString(output.SoundFontPath()));
    window.show();
    return application.exec();
}
