#pragma once
// The range of a window's place and size. A form description or a caller may give any int;
// what reaches the toolkit is brought into this range first, so that no sum of a position and
// a size overflows, in the framework or in Qt's rectangles.

#include <algorithm>

// The largest width or height Qt gives a widget (QWIDGETSIZE_MAX), also the farthest a window
// is placed from its parent's origin.
inline constexpr int MaxWindowExtent = (1 << 24) - 1;

inline int ClampPosition(int Value) { return std::clamp(Value, -MaxWindowExtent, MaxWindowExtent); }
inline int ClampExtent(int Value) { return std::clamp(Value, 0, MaxWindowExtent); }
