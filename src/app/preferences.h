#pragma once

#include "music_settings.h"
#include "output_choice.h"
#include "palette.h"
#include "sync_choice.h"

#include <QString>

class QSettings;

// Whether the settings file may be handed to QSettings, which blocks for good
// on a pipe and reads, then rewrites, a file of any size whole. Checked
// without opening it; a missing file is fine, QSettings starts it.
enum class SettingsFileFault
{
    None,
    NotARegularFile,
    TooLarge,  // over MaxSettingsFileSize: far beyond the few lines Velmora writes
};
constexpr long long MaxSettingsFileSize = 1 << 20;

// ~/.config/Velmora/Velmora.conf, where QSettings("Velmora", "Velmora") keeps them.
QString SettingsFilePath();
SettingsFileFault CheckSettingsFile(const QString& path);
// Why the file at path is left alone, and that this run keeps its settings
// only until it ends.
QString SettingsFileMessage(const QString& path, SettingsFileFault fault);

// The musical settings and the output, kept between runs. What is read back
// is checked: a field out of its range, or one that is missing or unreadable,
// takes its default, so a fresh installation starts with the original voice.
music::MusicSettings LoadMusicSettings(const QSettings& store);
void SaveMusicSettings(QSettings& store, const music::MusicSettings& settings);

OutputChoice LoadOutputChoice(const QSettings& store);
void SaveOutputChoice(QSettings& store, const OutputChoice& choice);

// What pieces keep time with; Off unless another source was kept. A Link
// choice read back is shown as chosen; joining is the user's act each run.
SyncChoice LoadSyncChoice(const QSettings& store);
void SaveSyncChoice(QSettings& store, const SyncChoice& choice);

// Whether exported audio is normalised; yes unless the user said otherwise.
bool LoadAudioNormalised(const QSettings& store);
void SaveAudioNormalised(QSettings& store, bool normalised);

// The picture's cells a side; the default unless one the View menu offers was kept.
int LoadPictureSide(const QSettings& store);
void SavePictureSide(QSettings& store, int side);

// The palette the picture is shown in; Classic unless a palette's name was kept.
fractal::Palette LoadPalette(const QSettings& store);
void SavePalette(QSettings& store, fractal::Palette palette);
