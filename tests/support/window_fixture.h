#pragma once

#include "draw_area.h"
#include "main_form.h"
#include "message_recorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>

// A fresh program for each test: shared state as at start-up, a recording
// MIDI platform with one device, message boxes recorded, and the real window.
class WindowFixture : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void Click(QPushButton* button);
    // Pointer events at user coordinates of the picture, through the real widget.
    void PressAt(double x, double y);
    void MoveTo(double x, double y);
    void SelectSeido(int index);
    void TypeLength(const QString& text);

    // Draw (at the accuracy given), then trace: the usual way to an outline.
    void DrawAndTrace(int seidoIndex = 1);

    std::unique_ptr<MainForm> form;
    std::unique_ptr<MessageRecorder> messages;
};
