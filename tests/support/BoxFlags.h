#pragma once

// The parts of a message box's flags that tests compare.
namespace TestSupport {

// The buttons and the icon.
inline constexpr int BoxButtonsAndIconMask = 0xFF;
// The buttons, the icon and the default button, without the marks above them (on top).
inline constexpr int BoxShapeMask = 0xFFF;

} // namespace TestSupport
