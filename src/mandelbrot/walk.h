#pragma once

#include <array>
#include <cstdint>

struct Step
{
    int dx;
    int dy;
};

// Direction codes 0..7, clockwise on the screen from up; y grows downward.
inline constexpr std::array<Step, 8> DirectionSteps{{
    {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1},
}};

inline constexpr std::int32_t WalkRed = 0x000000FF;
inline constexpr std::uint8_t MelodyProgram = 88;
inline constexpr std::uint8_t ChordProgram = 46;

inline constexpr const char* AskStartPointEnglish = "Please, click a point on the outline!";
inline constexpr const char* AskStartPointJapanese = "輪郭線上の開始点を選択してください";
inline constexpr const char* NotOnOutlineEnglish = "Clicked point is not on the outline!";
inline constexpr const char* NotOnOutlineJapanese = "クリックされた点は輪郭線から外れています。";
inline constexpr const char* WalkFailedMessage = "輪郭線のトレースに失敗しました。";

void ComposeClicked();
// A press while the program waits for the start point, in picture coordinates.
void ChooseStartPoint(float x, float y);
void ComposeFrom(float startX, float startY);
