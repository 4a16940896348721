#pragma once

inline constexpr int OutlineWhite = 0x00FFFFFF;

void TraceOutline();
void TraceClicked();
