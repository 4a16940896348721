#pragma once

#include "piece_video.h"

#include <QString>

#include <atomic>
#include <string>
#include <thread>

// A piece's video written on a thread of its own, so that the window, and
// a piece that plays, carry on meanwhile. Whoever started it follows
// Fraction() until Finished(); destroying it stops the work, and a stopped
// export leaves no file.
class VideoExportTask
{
public:
    VideoExportTask(video::PieceVideo piece, std::string soundFontPath, const QString& path);
    VideoExportTask(const VideoExportTask&) = delete;
    VideoExportTask& operator=(const VideoExportTask&) = delete;

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
    video::VideoExportOutcome outcome_;
    // Last, so that it is stopped and joined before what it writes to goes.
    std::jthread worker_;
};
