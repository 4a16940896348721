#include "place.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// Every text is looked up in the context "Place"; lupdate needs it written out.
namespace {

constexpr qsizetype BytesPerMebibyte = qsizetype{1} << 20;
// A name from the file is shown at most this long, so the message stays one short line.
constexpr qsizetype MostShownCharacters = 40;

// What cannot be seen, or would cut or break the line, is written as JSON
// writes it (\u0000); so are the backslash and the quote.
bool ShownEscaped(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

// A field's name as the file spells it, whole and on one line.
QString Field(const std::string& field)
{
    QString shown;
    for (const char32_t c : QString::fromStdString(field).toUcs4()) {
        QString piece;
        if (c == U'\\' || c == U'"') {
            piece = QStringLiteral("\\") + QChar(static_cast<char16_t>(c));
        } else if (ShownEscaped(c)) {
            for (const QChar unit : QString::fromUcs4(&c, 1))
                piece += QStringLiteral("\\u") + QString::number(unit.unicode(), 16).rightJustified(4, u'0').toUpper();
        } else {
            piece = QString::fromUcs4(&c, 1);
        }
        if (shown.size() + piece.size() > MostShownCharacters)
            return shown + QChar(0x2026);  // the ellipsis: the name goes on
        shown += piece;
    }
    return shown;
}

// Why the place's text is wrong, to follow "The place file is not valid: ".
QString Reason(const PlaceFailure& failure)
{
    switch (failure.problem) {
    case PlaceProblem::TooLarge:
        return QCoreApplication::translate("Place", "it is larger than %1 MiB.")
            .arg(failure.maximum / BytesPerMebibyte);
    case PlaceProblem::NotJson:
        return QCoreApplication::translate("Place", "it is not JSON text (the error is at byte %1).")
            .arg(failure.position);
    case PlaceProblem::NotObject:
        if (failure.field.empty())
            return QCoreApplication::translate("Place", "it does not hold a JSON object.");
        return QCoreApplication::translate("Place", "the field \"%1\" must be an object in braces.")
            .arg(Field(failure.field));
    case PlaceProblem::WrongVersion:
        return QCoreApplication::translate("Place",
                                           "the field \"%1\" must be %2; the file may come from a newer Velmora.")
            .arg(Field(failure.field))
            .arg(PlaceVersion);
    case PlaceProblem::Missing:
        return QCoreApplication::translate("Place", "the field \"%1\" is missing.").arg(Field(failure.field));
    case PlaceProblem::Unexpected:
        return QCoreApplication::translate("Place", "the field \"%1\" is not part of a place.")
            .arg(Field(failure.field));
    case PlaceProblem::NotDecimalText:
        return QCoreApplication::translate("Place",
                                           "the field \"%1\" must be a decimal number in quotes, such as \"-0.75\".")
            .arg(Field(failure.field));
    case PlaceProblem::CoordinateTooLong:
        return QCoreApplication::translate("Place", "the field \"%1\" is longer than %L2 characters.")
            .arg(Field(failure.field))
            .arg(MaxCoordinateCharacters);
    case PlaceProblem::Reversed:
        return QCoreApplication::translate("Place", "the field \"%1\" is greater than the field \"%2\".")
            .arg(Field(failure.field), Field(failure.otherField));
    case PlaceProblem::TooDeep:
        return QCoreApplication::translate("Place",
                                           "the field \"%1\" holds a view magnified further than a place can hold.")
            .arg(Field(failure.field));
    case PlaceProblem::OutOfRange:
        return QCoreApplication::translate("Place", "the field \"%1\" must be a whole number from %L2 to %L3.")
            .arg(Field(failure.field))
            .arg(failure.minimum)
            .arg(failure.maximum);
    case PlaceProblem::NumberOutOfRange:
        return QCoreApplication::translate("Place", "the field \"%1\" must be a number from %L2 to %L3.")
            .arg(Field(failure.field))
            .arg(failure.minimum)
            .arg(failure.maximum);
    case PlaceProblem::UnknownName:
        return QCoreApplication::translate("Place", "the field \"%1\" must be one of %2.")
            .arg(Field(failure.field), QString::fromStdString(failure.choices));
    case PlaceProblem::PngWithoutPlace:
    case PlaceProblem::PngEndsEarly:
    case PlaceProblem::PngWrongChecksum:
    case PlaceProblem::MidiWithoutPlace:
    case PlaceProblem::NotPlaceFile:
        break;
    }
    return {};
}

} // namespace

QString PlaceFailureMessage(const PlaceFailure& failure)
{
    switch (failure.problem) {
    case PlaceProblem::PngWithoutPlace:
        return QCoreApplication::translate("Place", "This PNG picture holds no Velmora place.");
    case PlaceProblem::PngEndsEarly:
        return QCoreApplication::translate("Place",
                                           "This PNG picture is damaged: it ends before its last chunk, so its place "
                                           "cannot be read.");
    case PlaceProblem::PngWrongChecksum:
        return QCoreApplication::translate("Place",
                                           "This PNG picture is damaged: the checksum of its \"%1\" chunk is wrong, "
                                           "so its place cannot be read.")
            .arg(Field(failure.field));
    case PlaceProblem::MidiWithoutPlace:
        return QCoreApplication::translate("Place", "This MIDI file holds no Velmora place.");
    case PlaceProblem::NotPlaceFile:
        return QCoreApplication::translate("Place",
                                           "This file is neither a Velmora place nor a PNG picture or MIDI file.");
    default:
        return QCoreApplication::translate("Place", "The place file is not valid: %1").arg(Reason(failure));
    }
}

std::variant<Place, QString> ReadPlaceAt(const QString& path)
{
    // A pipe or a device could keep the reading waiting for ever: it is
    // opened without waiting, and only a regular file is read.
    const int descriptor = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    struct stat status = {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return QCoreApplication::translate(
            "Place", "It is not a regular file (it may be a folder, a pipe or a device), so no place was read from it.");
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return file.errorString();
    }
    // One byte more than any place file may hold tells an oversized one.
    const PlaceReading reading = ReadPlaceFromFile(file.read(MaxPlaceContainerBytes + 1));
    if (const auto* failure = std::get_if<PlaceFailure>(&reading))
        return PlaceFailureMessage(*failure);
    return std::get<Place>(reading);
}
