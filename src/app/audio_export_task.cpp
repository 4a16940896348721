#include "audio_export_task.h"

#include <QCoreApplication>
#include <QDir>

#include <filesystem>

QString SoundFaultText(music::AudioExportFault fault, const QString& soundFont)
{
    switch (fault) {
    case music::AudioExportFault::None:
    case music::AudioExportFault::Cancelled:
        break;
    case music::AudioExportFault::UnknownFormat:
        return QCoreApplication::translate("MainWindow", "Choose a file name ending in .wav, .flac or .ogg.");
    case music::AudioExportFault::InvalidStepLength:
        return QCoreApplication::translate("MainWindow", "The piece's step length is out of range.");
    case music::AudioExportFault::NoSoundFont:
        return QCoreApplication::translate("MainWindow", "The SoundFont %1 could not be loaded.").arg(soundFont);
    case music::AudioExportFault::NoSynthesizer:
        return QCoreApplication::translate("MainWindow", "The synthesizer could not be started.");
    case music::AudioExportFault::CannotCreate:
        return QCoreApplication::translate("MainWindow", "No file could be created in that folder.");
    case music::AudioExportFault::WriteFailed:
        return QCoreApplication::translate("MainWindow", "The sound could not be written.");
    }
    return {};
}

AudioExportTask::AudioExportTask(std::vector<std::uint8_t> notes, const music::MusicSettings& settings,
                                 std::string soundFontPath, const QString& path, music::AudioLevel level)
    : path_(path), soundFontPath_(std::move(soundFontPath))
{
    worker_ = std::jthread([this, notes = std::move(notes), settings, level,
                            target = std::filesystem::path(path.toStdString())](std::stop_token stop) {
        outcome_ = music::ExportPieceAudio(
            notes, settings, soundFontPath_, target, [this](double fraction) { fraction_ = fraction; }, stop, level);
        finished_ = true;
    });
}

QString AudioExportTask::FailureMessage() const
{
    const QString reason = Reason(QLatin1Char('\n'));
    if (reason.isEmpty())
        return {};
    return QCoreApplication::translate("MainWindow", "The audio could not be exported.") + QLatin1Char('\n')
           + QDir::toNativeSeparators(path_) + QLatin1Char('\n') + reason;
}

QString AudioExportTask::FailureReason() const
{
    return Reason(QLatin1Char(' '));
}

QString AudioExportTask::Reason(QChar beforeDetail) const
{
    if (!finished_)
        return {};
    QString reason = SoundFaultText(outcome_.fault, QString::fromStdString(soundFontPath_));
    // The system's words, where there are any; a SoundFont's detail is its path, named already.
    if (!reason.isEmpty() && !outcome_.detail.empty() && outcome_.fault != music::AudioExportFault::NoSoundFont)
        reason += beforeDetail + QString::fromStdString(outcome_.detail);
    return reason;
}
