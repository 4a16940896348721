#include "video_export_task.h"

#include "audio_export_task.h"

#include <QCoreApplication>
#include <QDir>

#include <filesystem>

namespace {

QString FaultText(const video::VideoExportOutcome& outcome, const QString& soundFont)
{
    switch (outcome.fault) {
    case video::VideoExportFault::None:
    case video::VideoExportFault::Cancelled:
        break;
    case video::VideoExportFault::UnknownFormat:
        return QCoreApplication::translate("MainWindow", "Choose a file name ending in .mp4 or .webm.");
    case video::VideoExportFault::Sound:
        return SoundFaultText(outcome.soundFault, soundFont);
    case video::VideoExportFault::NoVideoEncoder:
        return QCoreApplication::translate("MainWindow",
                                           "The FFmpeg libraries on this system have no encoder for the video "
                                           "(tried: %1).")
            .arg(QString::fromStdString(outcome.detail));
    case video::VideoExportFault::NoAudioEncoder:
        return QCoreApplication::translate("MainWindow",
                                           "The FFmpeg libraries on this system have no encoder for the sound "
                                           "(tried: %1).")
            .arg(QString::fromStdString(outcome.detail));
    case video::VideoExportFault::Refused:
        return QCoreApplication::translate("MainWindow", "The video encoder refused to start.");
    case video::VideoExportFault::CannotCreate:
        return QCoreApplication::translate("MainWindow", "No file could be created in that folder.");
    case video::VideoExportFault::EncodingFailed:
        return QCoreApplication::translate("MainWindow", "The video could not be encoded.");
    case video::VideoExportFault::WriteFailed:
        return QCoreApplication::translate("MainWindow", "The video could not be written.");
    }
    return {};
}

} // namespace

VideoExportTask::VideoExportTask(video::PieceVideo piece, std::string soundFontPath, const QString& path)
    : path_(path), soundFontPath_(std::move(soundFontPath))
{
    worker_ = std::jthread([this, piece = std::move(piece),
                            target = std::filesystem::path(path.toStdString())](std::stop_token stop) {
        outcome_ = video::ExportPieceVideo(piece, soundFontPath_, target,
                                           [this](double fraction) { fraction_ = fraction; }, stop);
        finished_ = true;
    });
}

QString VideoExportTask::FailureMessage() const
{
    const QString reason = Reason(QLatin1Char('\n'));
    if (reason.isEmpty())
        return {};
    return QCoreApplication::translate("MainWindow", "The video could not be exported.") + QLatin1Char('\n') + QDir::toNativeSeparators(path_)
           + QLatin1Char('\n') + reason;
}

QString VideoExportTask::FailureReason() const
{
    return Reason(QLatin1Char(' '));
}

QString VideoExportTask::Reason(QChar beforeDetail) const
{
    if (!finished_)
        return {};
    QString reason = FaultText(outcome_, QString::fromStdString(soundFontPath_));
    // The system's or FFmpeg's words, where there are any and they are not in the text already.
    const bool detailShown = outcome_.fault == video::VideoExportFault::NoVideoEncoder
                             || outcome_.fault == video::VideoExportFault::NoAudioEncoder
                             || outcome_.soundFault == music::AudioExportFault::NoSoundFont;
    if (!reason.isEmpty() && !outcome_.detail.empty() && !detailShown)
        reason += beforeDetail + QString::fromStdString(outcome_.detail);
    return reason;
}
