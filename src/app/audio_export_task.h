#pragma once

#include "audio_export.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

// What went wrong with a piece's sound, in the user's words; nothing for
// none or a cancel. The video export's sound fails the same ways.
QString SoundFaultText(music::AudioExportFault fault, const QString& soundFont);

// A piece rendered to a sound file on a thread of its own, so that the
// window, and a piece that plays, carry on meanwhile. Whoever started it
// follows Fraction() until Finished(); destroying it stops the work.
class AudioExportTask
{
public:
    AudioExportTask(std::vector<std::uint8_t> notes, const music::MusicSettings& settings, std::string soundFontPath,
                    const QString& path, music::AudioLevel level = music::AudioLevel::Normalised);
    AudioExportTask(const AudioExportTask&) = delete;
    AudioExportTask& operator=(const AudioExportTask&) = delete;

    double Fraction() const { return fraction_; }
    bool Finished() const { return finished_; }
    void Cancel() { worker_.request_stop(); }
    // Once finished: what went wrong, in the user's words; nothing when the
    // file was written or the export was cancelled.
    QString FailureMessage() const;
    // The same without the heading and the path, on one line, for the command line.
    QString FailureReason() const;

private:
    QString Reason(QChar beforeDetail) const;

    QString path_;
    std::string soundFontPath_;
    std::atomic<double> fraction_{0.0};
    std::atomic<bool> finished_{false};
    music::AudioExportOutcome outcome_;
    // Last, so that it is stopped and joined before what it writes to goes.
    std::jthread worker_;
};
