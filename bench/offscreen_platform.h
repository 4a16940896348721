#pragma once

#include <QByteArray>
#include <QtGlobal>

// The benches need widgets but never a display; a platform the caller chose
// still wins.
inline void UseOffscreenPlatformUnlessChosen()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}
