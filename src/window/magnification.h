#pragma once

inline constexpr const char* MagnifyHintEnglish = "Click begin point and end point to magnify.";
inline constexpr const char* MagnifyHintJapanese =
    "マウスで拡大を行う範囲の開始点と終了点をクリックしてください。";

// The two corners of the region being magnified, in the complex plane.
extern double SelX1;
extern double SelY1;
extern double SelX2;
extern double SelY2;

void MangifyClicked();
void MagnifyPress(float x, float y);
void MagnifyMove(float x, float y);
