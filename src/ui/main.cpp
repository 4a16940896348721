#include "audio_export_task.h"
#include "controller.h"
#include "file_writing.h"
#include "fluid_synth_output.h"
#include "language.h"
#include "library_messages.h"
#include "main_window.h"
#include "picture_view.h"
#include "place.h"
#include "preferences.h"
#include "quit_signals.h"
#include "encoder_messages.h"
#include "runtime_folder.h"
#include "video_export_task.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QSettings>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>
#include <thread>

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
        for (const std::string_view option : {"-h", "--help", "--help-all", "-v", "--version", "--picture", "--midi",
                                                "--audio", "--video"}) {
            if (argument == option || (argument.starts_with(option) && argument.size() > option.size()
                                       && argument[option.size()] == '='))
                return true;
        }
    }
    return false;
}

// Without one of these Qt cannot open a window and aborts with a long
// message about platform plugins.
bool DisplayNamed()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
           || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

int Fail(const QString& message)
{
    std::fprintf(stderr, "velmora: %s\n", message.toLocal8Bit().constData());
    return 1;
}

// How often a render to a sound or video file is looked at for its end or a quit signal.
constexpr std::chrono::milliseconds ExportPoll{20};

// Waits for an export as Export Audio or Export Video runs it. A quit
// signal cancels it, which leaves no file, and then acts as it would have.
template <typename MakeTask>
int WriteExport(const QString& path, const MakeTask& makeTask)
{
    if (const QFileInfo existing(path); existing.exists() && !existing.isFile())
        return Fail(QCoreApplication::translate("main", "%1: %2")
                        .arg(path, WriteFailureMessage({WriteFailure::Step::NotARegularFile})));
    std::optional<int> arrived;
    QString failure;
    {
        QuitSignals held;
        const auto task = makeTask();
        while (!task->Finished()) {
            if (!arrived && (arrived = held.Take()))
                task->Cancel();
            std::this_thread::sleep_for(ExportPoll);
        }
        failure = task->FailureReason();
    }
    if (arrived)
        std::raise(*arrived);
    if (!failure.isEmpty())
        return Fail(QCoreApplication::translate("main", "%1: %2").arg(path, failure));
    return 0;
}

// The files a batch run writes; an empty name is not written.
struct Targets
{
    QString picture;
    QString midi;
    QString audio;
    QString video;
};

// Renders the place, and its piece, into files, as the window would save
// them; in the palette given, or else the place's own.
int WriteFiles(const QString& placePath, const Targets& targets, music::AudioLevel audioLevel,
               std::optional<fractal::Palette> palette)
{
    auto read = ReadPlaceAt(placePath);
    if (const auto* error = std::get_if<QString>(&read))
        return Fail(QCoreApplication::translate("main", "%1: %2").arg(placePath, *error));
    Place& place = std::get<Place>(read);
    place.palette = palette.value_or(place.palette);
    // The window asks before it replaces such a link; a command line cannot ask.
    for (const QString& path : {targets.picture, targets.midi, targets.audio, targets.video}) {
        if (!path.isEmpty() && IsDanglingLink(path))
            return Fail(QCoreApplication::translate("main", "%1 is a symbolic link that leads nowhere; remove it or "
                                                            "choose another name.")
                            .arg(path));
    }
    if ((!targets.midi.isEmpty() || !targets.audio.isEmpty() || !targets.video.isEmpty()) && !place.start)
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
    const QString& picturePath = targets.picture;
    const QString& midiPath = targets.midi;
    if (!picturePath.isEmpty()) {
        const QByteArray file = PictureFile(controller.CurrentPicture(), PlaceToJson(controller.CurrentPlace()));
        // A signal waits for the file to be whole, so no temporary file is left.
        if (const auto failure = WithQuitSignalsHeld([&] { return WriteFileAtomically(picturePath, file); }))
            return Fail(QCoreApplication::translate("main", "%1: %2").arg(picturePath, WriteFailureMessage(*failure)));
    }
    if (!midiPath.isEmpty()) {
        const std::vector<std::uint8_t> bytes = controller.PieceAsMidiFile();
        const QByteArray midi(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()));
        if (const auto failure = WithQuitSignalsHeld([&] { return WriteFileAtomically(midiPath, midi); }))
            return Fail(QCoreApplication::translate("main", "%1: %2").arg(midiPath, WriteFailureMessage(*failure)));
    }
    if (!targets.audio.isEmpty()) {
        const int status = WriteExport(targets.audio, [&] {
            return std::make_unique<AudioExportTask>(controller.Piece(), controller.PieceSettings(),
                                                     controller.SoundFontPath(), targets.audio, audioLevel);
        });
        if (status != 0)
            return status;
    }
    if (!targets.video.isEmpty()) {
        const int status = WriteExport(targets.video, [&] {
            video::PieceVideo piece = controller.PieceAsVideo();
            piece.level = audioLevel;
            return std::make_unique<VideoExportTask>(std::move(piece), controller.SoundFontPath(), targets.video);
        });
        if (status != 0)
            return status;
    }
    controller.Quit();
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    // Before Qt looks for its runtime folder, so that it need not warn.
    SetRuntimeFolderWhereUnset();
    std::unique_ptr<QCoreApplication> application;
    const bool windowCannotOpen = !Headless(argc, argv) && !DisplayNamed();
    if (windowCannotOpen) {
        application = std::make_unique<QCoreApplication>(argc, argv);
    } else if (Headless(argc, argv)) {
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
    if (windowCannotOpen)
        return Fail(QCoreApplication::translate("main", "The window needs a graphical session (neither DISPLAY nor "
                                                        "WAYLAND_DISPLAY is set); --picture, --midi, --audio and "
                                                        "--video work without one."));

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
    const QCommandLineOption audio(
        QStringLiteral("audio"),
        QCoreApplication::translate("main", "Render the place's piece to <file> (.wav, .flac or .ogg) and exit."),
        QStringLiteral("file"));
    parser.addOption(picture);
    parser.addOption(midi);
    const QCommandLineOption asPlayed(
        QStringLiteral("no-normalise"),
        QCoreApplication::translate("main", "With --audio or --video, keep the synthesizer's own level (limited, never "
                                            "clipped) instead of bringing the piece to -16 LUFS."));
    parser.addOption(audio);
    parser.addOption(asPlayed);
    QStringList paletteNames;
    for (const fractal::Palette palette : fractal::Palettes)
        paletteNames << QString::fromLatin1(fractal::PaletteName(palette).data(),
                                            static_cast<qsizetype>(fractal::PaletteName(palette).size()));
    const QCommandLineOption paletteOption(
        QStringLiteral("palette"),
        QCoreApplication::translate("main", "With --picture, colour the picture in <name> (%1) instead of the place's "
                                            "own palette.")
            .arg(paletteNames.join(QStringLiteral(", "))),
        QStringLiteral("name"));
    parser.addOption(paletteOption);
    const QCommandLineOption videoFile(
        QStringLiteral("video"),
        QCoreApplication::translate("main", "Write a video of the place's piece to <file> (.mp4 or .webm): the path "
                                            "drawing itself with its sound. Then exit."),
        QStringLiteral("file"));
    parser.addOption(videoFile);
    const QCommandLineOption verbose(
        QStringLiteral("verbose"),
        QCoreApplication::translate("main", "Show what the sound, MIDI and video libraries report, not only the "
                                            "system log."));
    parser.addOption(verbose);
    const QCommandLineOption link(
        QStringLiteral("link"),
        QCoreApplication::translate("main", "Join an Ableton Link session on the local network at start-up "
                                            "(Music → Sync → Ableton Link)."));
    parser.addOption(link);
    parser.addPositionalArgument(
        QStringLiteral("place"),
        QCoreApplication::translate("main", "A place to open: a place file, or a picture or piece Velmora saved."),
        QStringLiteral("[place]"));
    parser.process(*application);
    music::RouteLibraryMessages(parser.isSet(verbose) ? music::LibraryMessages::Terminal
                                                      : music::LibraryMessages::SystemLog);
    video::RouteEncoderMessages(parser.isSet(verbose));
    const QStringList places = parser.positionalArguments();
    if (places.size() > 1)
        return Fail(QCoreApplication::translate("main", "only one place can be opened at a time"));

    for (const QCommandLineOption* output : {&picture, &midi, &audio, &videoFile}) {
        if (parser.isSet(*output) && parser.value(*output).isEmpty())
            return Fail(QCoreApplication::translate("main", "--%1 needs the name of a file to write")
                            .arg(output->names().front()));
    }
    std::optional<fractal::Palette> palette;
    if (parser.isSet(paletteOption)) {
        palette = fractal::PaletteNamed(parser.value(paletteOption).toStdString());
        if (!palette)
            return Fail(QCoreApplication::translate("main", "--palette names no palette: \"%1\"; it is one of %2")
                            .arg(parser.value(paletteOption), paletteNames.join(QStringLiteral(", "))));
    }
    if (parser.isSet(picture) || parser.isSet(midi) || parser.isSet(audio) || parser.isSet(videoFile)) {
        if (places.isEmpty())
            return Fail(
                QCoreApplication::translate("main", "--picture, --midi, --audio and --video need a place to render"));
        return WriteFiles(places.front(),
                          {parser.value(picture), parser.value(midi), parser.value(audio), parser.value(videoFile)},
                          parser.isSet(asPlayed) ? music::AudioLevel::AsPlayed : music::AudioLevel::Normalised,
                          palette);
    }
    // The window's palette is chosen in its View menu.
    if (palette)
        return Fail(QCoreApplication::translate("main", "--palette goes with --picture; in the window, choose View > "
                                                        "Colours"));

    // Starts loading the SoundFont in the background, so the first piece need not wait.
    music::FluidSynthOutput output;
    ThreadedRenderRunner renderer;
    Controller controller(output, renderer);
    // ~/.config/Velmora/Velmora.conf; a fresh installation has none and starts with the defaults.
    // A file QSettings would hang on or drown in is left as it is: the
    // controller keeps this run's settings, and nothing is written.
    const QString settingsPath = SettingsFilePath();
    std::optional<QSettings> preferences;
    if (const SettingsFileFault fault = CheckSettingsFile(settingsPath); fault == SettingsFileFault::None)
        preferences.emplace(QStringLiteral("Velmora"), QStringLiteral("Velmora"));
    else
        std::fprintf(stderr, "velmora: %s\n", SettingsFileMessage(settingsPath, fault).toLocal8Bit().constData());
    MainWindow window(controller);
    if (preferences)
        window.RememberIn(*preferences);
    // Joining a network session is the user's act in each run: a remembered Link choice alone never joins.
    if (parser.isSet(link))
        window.JoinLink();
    // SIGINT, SIGTERM and SIGHUP end the program as Quit does; leaving every
    // event loop also ends a dialog that is open. The window's end stops an
    // audio export, which removes its temporary file.
    QuitSignalNotifier quitSignals;
    QObject::connect(&quitSignals, &QuitSignalNotifier::quitRequested, &controller, [&controller] {
        controller.Quit();
        QCoreApplication::exit(0);
    });
    window.SetSoundFontName(QString::fromStdString(output.SoundSource()));
    window.show();
    if (!places.isEmpty())
        window.OpenPlaceFile(places.front());
    return application->exec();
}
