#pragma once

#include "music_settings.h"
#include "output_choice.h"

class QSettings;

// The musical settings and the output, kept between runs. What is read back
// is checked: a field out of its range, or one that is missing or unreadable,
// takes its default, so a fresh installation starts with the original voice.
music::MusicSettings LoadMusicSettings(const QSettings& store);
void SaveMusicSettings(QSettings& store, const music::MusicSettings& settings);

OutputChoice LoadOutputChoice(const QSettings& store);
void SaveOutputChoice(QSettings& store, const OutputChoice& choice);
