#include "controller.h"
#include "file_writing.h"
#include "fluid_synth_output.h"
#include "language.h"
#include "main_window.h"
#include "picture_view.h"
#include "place.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QGuiApplication>
#include <QLocale>
#include <QSettings>

#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#ifndef VELMORA_UI_LANGUAGE
#define VELMORA_UI_LANGUAGE "English"
#endif
#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

namespace {

// What the batch modes play into: nothing is heard, the piece is only written.
class SilentOutput : public music::MidiOut
{
public:
    bool DeviceAvailable() override { return false; }
    bool Open() override { return false; }
    void Send(const music::MidiMessage&) override {}
    void SilenceAll() override {}
    void Close() override {}
};

// Help, the version and the batch modes need no display.
bool Headless(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        for (const std::string_view option : {"-h", "--help", "--help-all", "-v", "--version", "--picture", "--midi"}) {
            if (argument == option || (argument.starts_with(option) && argument.size() > option.size()
                                       && argument[option.size()] == '='))
                return true;
        }
    }
    return false;
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "velmora: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// Renders the place, and its piece, into files, as the window would save them.
int WriteFiles(const QString& placePath, const QString& picturePath, const QString& midiPath)
{
    const auto read = ReadPlaceAt(placePath);
    if (const auto* error = std::get_if<QString>(&read))
        return Fail(QCoreApplication::translate("main", "%1: %2").arg(placePath, *error));
    const Place& place = std::get<Place>(read);
    if (!midiPath.isEmpty() && !place.start)
        return Fail(QCoreApplication::translate("main", "%1 keeps no start cell, so it has no piece to write.")
                        .arg(placePath));
    SilentOutput output;
    ImmediateRenderRunner renderer;
    Controller controller(output, renderer);
    // No sound is what a batch run asks for; the last message says why a
    // piece did not play.
    QString lastMessage;
    QObject::connect(&controller, &Controller::messageRequested, [&](const QString& text) { lastMessage = text; });
    controller.OpenPlace(place);
    const State expected = place.start ? State::Playing : State::Drawn;
    if (controller.CurrentState() != expected)
        return Fail(QCoreApplication::translate("main", "%1: %2").arg(placePath, lastMessage));
    if (!picturePath.isEmpty()) {
        const QByteArray file = PictureFile(controller.CurrentPicture(), PlaceToJson(controller.CurrentPlace()));
        if (const auto failure = WriteFileAtomically(picturePath, file))
            return Fail(QCoreApplication::translate("main", "%1: %2").arg(picturePath, WriteFailureMessage(*failure)));
    }
    if (!midiPath.isEmpty()) {
        const std::vector<std::uint8_t> bytes = controller.PieceAsMidiFile();
        const QByteArray midi(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        if (const auto failure = WriteFileAtomically(midiPath, midi))
            return Fail(QCoreApplication::translate("main", "%1: %2").arg(midiPath, WriteFailureMessage(*failure)));
    }
    controller.Quit();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    std::unique_ptr<QCoreApplication> application;
    if (Headless(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        application = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        application = std::make_unique<QApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Velmora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VELMORA_VERSION));
    // The build's language is only the fallback for a machine with no locale.
    UseLanguage(*application, ChooseLanguage(QLocale::system(), VELMORA_UI_LANGUAGE));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Turns the boundary of the Mandelbrot set into music."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption picture(QStringLiteral("picture"),
                                     QCoreApplication::translate("main", "Write the place's picture to <file> and exit."),
                                     QStringLiteral("file"));
    const QCommandLineOption midi(QStringLiteral("midi"),
                                  QCoreApplication::translate("main", "Write the place's piece to <file> and exit."),
                                  QStringLiteral("file"));
    parser.addOption(picture);
    parser.addOption(midi);
    parser.addPositionalArgument(
        QStringLiteral("place"),
        QCoreApplication::translate("main", "A place to open: a place file, or a picture or piece Velmora saved."),
        QStringLiteral("[place]"));
    parser.process(*application);
    const QStringList places = parser.positionalArguments();
    if (places.size() > 1)
        return Fail(QCoreApplication::translate("main", "only one place can be opened at a time"));

    if (parser.isSet(picture) || parser.isSet(midi)) {
        if (places.isEmpty())
            return Fail(QCoreApplication::translate("main", "--picture and --midi need a place to render"));
        return WriteFiles(places.front(), parser.value(picture), parser.value(midi));
    }

    // Starts loading the SoundFont in the background, so the first piece need not wait.
    music::FluidSynthOutput output;
    ThreadedRenderRunner renderer;
    Controller controller(output, renderer);
    // ~/.config/Velmora/Velmora.conf; a fresh installation has none and starts with the defaults.
    QSettings preferences(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    MainWindow window(controller);
    window.RememberIn(preferences);
    window.SetSoundFontName(QString::fromStdString(output.SoundSource()));
    window.show();
    if (!places.isEmpty())
        window.OpenPlaceFile(places.front());
    return application->exec();
}
