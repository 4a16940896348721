#include "preferences.h"

#include "view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <algorithm>
#include <sys/stat.h>

namespace {

// A value no field accepts, for one that is missing or not a number.
constexpr int Unreadable = -1;

constexpr auto TempoKey = "music/tempo";
constexpr auto StepNoteKey = "music/stepNote";
// Written before there was a tempo: the step in milliseconds, of a sixteenth.
constexpr auto StepKey = "music/stepMilliseconds";
constexpr auto KeyKey = "music/key";
constexpr auto ScaleKey = "music/scale";
constexpr auto MelodyProgramKey = "music/melodyProgram";
constexpr auto ChordProgramKey = "music/chordProgram";
constexpr auto MelodyVelocityKey = "music/melodyVelocity";
constexpr auto ChordVelocityKey = "music/chordVelocity";
constexpr auto OutputKindKey = "output/kind";
constexpr auto OutputApiKey = "output/api";
constexpr auto OutputPortKey = "output/port";
constexpr auto SyncSourceKey = "sync/source";
constexpr auto SyncApiKey = "sync/api";
constexpr auto SyncClockPortKey = "sync/clockPort";
constexpr auto NormaliseAudioKey = "export/normaliseAudio";
constexpr auto PictureSideKey = "view/pictureSize";
constexpr auto PaletteKey = "view/palette";

constexpr auto BuiltInName = "built-in";
constexpr auto OwnPortName = "own port";
constexpr auto PortName = "port";
constexpr auto JackName = "JACK";
constexpr auto AlsaName = "ALSA";

int ReadInt(const QSettings& store, const char* key)
{
    bool ok = false;
    const int value = store.value(QLatin1String(key)).toInt(&ok);
    return ok ? value : Unreadable;
}

// The stored tempo, or the one a step stored in milliseconds gives.
double ReadTempo(const QSettings& store, music::StepNote note)
{
    bool ok = false;
    if (store.contains(QLatin1String(TempoKey))) {
        const double tempo = store.value(QLatin1String(TempoKey)).toDouble(&ok);
        return ok ? tempo : Unreadable;
    }
    const int step = ReadInt(store, StepKey);
    return step >= music::MinStepMilliseconds && step <= music::MaxStepMilliseconds ? music::TempoForStep(step, note)
                                                                                      : Unreadable;
}

music::StepNote ReadStepNote(const QSettings& store)
{
    if (!store.contains(QLatin1String(StepNoteKey)))
        return music::DefaultStepNote;
    const QString name = store.value(QLatin1String(StepNoteKey)).toString();
    const auto found = std::find_if(music::StepNotes.begin(), music::StepNotes.end(), [&name](const auto& shape) {
        return name == QLatin1String(shape.id.data(), static_cast<qsizetype>(shape.id.size()));
    });
    return found == music::StepNotes.end() ? static_cast<music::StepNote>(Unreadable) : found->note;
}

// Stored by its id, which stays readable in the file and survives a reordering.
music::Scale ReadScale(const QSettings& store)
{
    const QString name = store.value(QLatin1String(ScaleKey)).toString();
    const auto found = std::find_if(music::Scales.begin(), music::Scales.end(), [&name](const music::ScaleShape& s) {
        return name == QLatin1String(s.id.data(), static_cast<qsizetype>(s.id.size()));
    });
    return found == music::Scales.end() ? static_cast<music::Scale>(Unreadable) : found->scale;
}

} // namespace

QString SettingsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/Velmora/Velmora.conf");
}

SettingsFileFault CheckSettingsFile(const QString& path)
{
    // stat(2) follows a link as QSettings would, and never blocks on what it finds.
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return SettingsFileFault::None;
    if (!S_ISREG(st.st_mode))
        return SettingsFileFault::NotARegularFile;
    return st.st_size > MaxSettingsFileSize ? SettingsFileFault::TooLarge : SettingsFileFault::None;
}

QString SettingsFileMessage(const QString& path, SettingsFileFault fault)
{
    const QString shown = QDir::toNativeSeparators(path);
    switch (fault) {
    case SettingsFileFault::None:
        break;
    case SettingsFileFault::NotARegularFile:
        return QCoreApplication::translate("main", "The settings file %1 was not used because it is not a regular "
                                                   "file; this run starts with the defaults and keeps its changes "
                                                   "only until it ends.")
            .arg(shown);
    case SettingsFileFault::TooLarge:
        return QCoreApplication::translate("main", "The settings file %1 was not used because it is larger than "
                                                   "%2 MiB; this run starts with the defaults and keeps its "
                                                   "changes only until it ends.")
            .arg(shown)
            .arg(MaxSettingsFileSize >> 20);
    }
    return {};
}

music::MusicSettings LoadMusicSettings(const QSettings& store)
{
    const music::StepNote note = ReadStepNote(store);
    music::MusicSettings settings{
        .tempo = ReadTempo(store, note),
        .stepNote = note,
        .key = ReadInt(store, KeyKey),
        .scale = ReadScale(store),
        .melodyProgram = ReadInt(store, MelodyProgramKey),
        .chordProgram = ReadInt(store, ChordProgramKey),
        .melodyVelocity = ReadInt(store, MelodyVelocityKey),
        .chordVelocity = ReadInt(store, ChordVelocityKey),
    };
    // Each faulty field takes its default, the others are kept.
    const music::MusicSettings defaults;
    if (!music::ShapeOf(settings.stepNote))
        settings.stepNote = defaults.stepNote;
    if (music::CheckTiming(settings.tempo, settings.stepNote) != music::SettingsFault::None)
        settings.tempo = defaults.tempo;
    // A tempo that fits no step of this note value takes the default step with it.
    if (music::CheckTiming(settings.tempo, settings.stepNote) != music::SettingsFault::None)
        settings.stepNote = defaults.stepNote;
    for (const music::NumberSetting& number : music::NumberSettings) {
        const int value = settings.*number.member;
        if (value < number.minimum || value > number.maximum)
            settings.*number.member = defaults.*number.member;
    }
    if (!music::ShapeOf(settings.scale))
        settings.scale = defaults.scale;
    return settings;
}

void SaveMusicSettings(QSettings& store, const music::MusicSettings& settings)
{
    store.setValue(QLatin1String(TempoKey), settings.tempo);
    const auto note = music::ShapeOf(settings.stepNote);
    store.setValue(QLatin1String(StepNoteKey),
                   note ? QString::fromLatin1(note->id.data(), static_cast<qsizetype>(note->id.size())) : QString());
    store.remove(QLatin1String(StepKey));
    store.setValue(QLatin1String(KeyKey), settings.key);
    const auto shape = music::ShapeOf(settings.scale);
    store.setValue(QLatin1String(ScaleKey),
                   shape ? QString::fromLatin1(shape->id.data(), static_cast<qsizetype>(shape->id.size())) : QString());
    store.setValue(QLatin1String(MelodyProgramKey), settings.melodyProgram);
    store.setValue(QLatin1String(ChordProgramKey), settings.chordProgram);
    store.setValue(QLatin1String(MelodyVelocityKey), settings.melodyVelocity);
    store.setValue(QLatin1String(ChordVelocityKey), settings.chordVelocity);
}

OutputChoice LoadOutputChoice(const QSettings& store)
{
    const QString kind = store.value(QLatin1String(OutputKindKey)).toString();
    const music::ExternalMidiApi api = store.value(QLatin1String(OutputApiKey)).toString() == QLatin1String(JackName)
                                           ? music::ExternalMidiApi::Jack
                                           : music::ExternalMidiApi::AlsaSequencer;
    const std::string port = store.value(QLatin1String(OutputPortKey)).toString().toStdString();
    if (kind == QLatin1String(OwnPortName))
        return OwnPortOutput;
    if (kind == QLatin1String(PortName) && !port.empty())
        return {OutputChoice::Kind::Port, api, port};
    return BuiltInOutput;
}

void SaveOutputChoice(QSettings& store, const OutputChoice& choice)
{
    const char* kind = choice.kind == OutputChoice::Kind::OwnPort ? OwnPortName
                       : choice.kind == OutputChoice::Kind::Port  ? PortName
                                                                  : BuiltInName;
    store.setValue(QLatin1String(OutputKindKey), QLatin1String(kind));
    store.setValue(QLatin1String(OutputApiKey),
                   QLatin1String(choice.api == music::ExternalMidiApi::Jack ? JackName : AlsaName));
    store.setValue(QLatin1String(OutputPortKey), QString::fromStdString(choice.port));
}

SyncChoice LoadSyncChoice(const QSettings& store)
{
    const std::string id = store.value(QLatin1String(SyncSourceKey)).toString().toStdString();
    SyncChoice choice;
    choice.source = music::SyncSourceFromId(id).value_or(music::SyncSource::Off);
    if (choice.source == music::SyncSource::FollowClock) {
        choice.api = store.value(QLatin1String(SyncApiKey)).toString() == QLatin1String(JackName)
                         ? music::ExternalMidiApi::Jack
                         : music::ExternalMidiApi::AlsaSequencer;
        choice.clockPort = store.value(QLatin1String(SyncClockPortKey)).toString().toStdString();
    }
    return choice;
}

void SaveSyncChoice(QSettings& store, const SyncChoice& choice)
{
    const std::string_view id = music::IdOf(choice.source);
    store.setValue(QLatin1String(SyncSourceKey), QString::fromLatin1(id.data(), qsizetype(id.size())));
    store.setValue(QLatin1String(SyncApiKey),
                   QLatin1String(choice.api == music::ExternalMidiApi::Jack ? JackName : AlsaName));
    store.setValue(QLatin1String(SyncClockPortKey), QString::fromStdString(choice.clockPort));
}

bool LoadAudioNormalised(const QSettings& store)
{
    return store.value(QLatin1String(NormaliseAudioKey), true).toBool();
}

void SaveAudioNormalised(QSettings& store, bool normalised)
{
    store.setValue(QLatin1String(NormaliseAudioKey), normalised);
}

int LoadPictureSide(const QSettings& store)
{
    bool read = false;
    const int side = store.value(QLatin1String(PictureSideKey)).toInt(&read);
    return read && fractal::IsPictureSide(side) ? side : fractal::PictureSide;
}

void SavePictureSide(QSettings& store, int side)
{
    store.setValue(QLatin1String(PictureSideKey), side);
}

fractal::Palette LoadPalette(const QSettings& store)
{
    const std::string name = store.value(QLatin1String(PaletteKey)).toString().toStdString();
    return fractal::PaletteNamed(name).value_or(fractal::Palette::Classic);
}

void SavePalette(QSettings& store, fractal::Palette palette)
{
    const std::string_view name = fractal::PaletteName(palette);
    store.setValue(QLatin1String(PaletteKey), QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
}
