#pragma once

#include <cstdint>

inline constexpr std::uint8_t MelodyChannel = 0;
inline constexpr std::uint8_t MelodyVelocity = 127;

// The melody byte that chose the chord struck last, so its release matches it.
extern std::uint8_t ChordRoot;

void MusicTimerTick();
void StopMusicClicked();
void QuitClicked();
