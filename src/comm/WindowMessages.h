#pragma once
// The messages the communications post to the main window, with their fixed numbers.

inline constexpr int WM_DATA_ITEM = 0x4D3;     // wParam: data item of a parsed read reply
inline constexpr int WM_START_UP = 0x4D4;      // the window's deferred start-up
inline constexpr int WM_STATION_MARK = 0x4D6;  // wParam: station number; lParam 1 reply, 0 sent
