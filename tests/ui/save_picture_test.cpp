#include "main_window.h"
#include "session.h"

#include <QAction>
#include <QFileInfo>
#include <QImage>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// The picture's own colours, 0x00BBGGRR, as the pixels a PNG viewer shows.
QRgb Shown(fractal::Colour colour)
{
    return qRgb(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

int PixelsDifferingFromThePicture(const QImage& saved, const Picture& picture)
{
    int differing = 0;
    for (int y = 0; y < Picture::Side; ++y) {
        for (int x = 0; x < Picture::Side; ++x)
            differing += (saved.pixel(x, y) & 0xFFFFFF) != (Shown(picture.At(x, y)) & 0xFFFFFF);
    }
    return differing;
}

class SavePicture : public ::testing::Test
{
protected:
    SavePicture()
    {
        session.Window().SetFileChooser([this](const QString&, const QString&, const QString&) { return chosen; });
        session.Window().SetMessagePresenter([this](const QString& text) { shown.push_back(text); });
    }

    Session session{Session::WithWindow::Yes};
    QTemporaryDir folder;
    QString chosen = folder.filePath(QStringLiteral("picture.png"));
    std::vector<QString> shown;
};

TEST_F(SavePicture, WritesThePictureAsDrawnWithoutTheRubberBandOrThePlayhead)
{
    session.controller.Draw();
    session.controller.Press(20, 380);
    session.controller.Move(380, 20);
    ASSERT_TRUE(session.controller.CurrentRubberBand().visible);
    session.Window().SavePicture();
    QImage saved(chosen);
    ASSERT_EQ(saved.size(), QSize(Picture::Side, Picture::Side));
    EXPECT_EQ(PixelsDifferingFromThePicture(saved, session.controller.CurrentPicture()), 0)
        << "the colour picture, and no red line across it";

    session.controller.Press(380, 20);
    session.controller.Trace();
    session.controller.SetLengthText(QStringLiteral("40"));
    session.ComposeAt(398, 0);
    session.controller.Tick();
    ASSERT_TRUE(session.controller.Playhead().has_value());
    shown.clear();
    session.Window().SavePicture();
    saved = QImage(chosen);
    EXPECT_EQ(PixelsDifferingFromThePicture(saved, session.controller.CurrentPicture()), 0)
        << "the outline with the red path, and no ring round the sounding cell";
    EXPECT_TRUE(shown.empty()) << "a save that works says nothing";
}

TEST_F(SavePicture, AFailureShowsTheReasonAndWritesNothing)
{
    session.controller.Draw();
    std::ofstream(folder.filePath(QStringLiteral("blocker")).toStdString()) << "a file, not a folder";
    chosen = folder.filePath(QStringLiteral("blocker/picture.png"));
    session.Window().SavePicture();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown.front().startsWith(QStringLiteral("The picture could not be saved.")));
    EXPECT_TRUE(shown.front().contains(QStringLiteral("blocker")));
    EXPECT_FALSE(std::filesystem::exists(chosen.toStdString()));
    EXPECT_EQ(session.controller.CurrentState(), State::Drawn) << "nothing else changes";
}

// A place saved as "deep" is deep.velmora, and places open next in its
// folder, in this run and the next; pictures keep a folder of their own.
TEST_F(SavePicture, FilesGetTheirExtensionAndEachKindReturnsToItsLastFolder)
{
    QSettings store(folder.filePath(QStringLiteral("velmora.conf")), QSettings::IniFormat);
    for (const int run : {1, 2}) {
        Session next(Session::WithWindow::Yes);
        next.Window().RememberIn(store);
        QString suggested;  // the chooser leaves the extension out
        next.Window().SetFileChooser(
            [&](auto&, const QString& path, auto&) { suggested = path; return folder.filePath(QStringLiteral("deep")); });
        next.controller.Draw();
        next.Window().SavePlace();
        EXPECT_EQ(QFileInfo(suggested).absolutePath() == folder.path(), run == 2) << "run " << run;
        next.Window().SavePicture();
        EXPECT_EQ(QFileInfo(suggested).absolutePath() == folder.path(), run == 2) << "run " << run;
    }
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("deep.velmora"))));
    EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("deep.png"))));
}

TEST_F(SavePicture, IsNotOfferedBeforeThereIsAPicture)
{
    session.Window().SavePicture();
    EXPECT_FALSE(QFile::exists(chosen));
    EXPECT_FALSE(session.Window().SavePictureAction()->isEnabled());
}

} // namespace
