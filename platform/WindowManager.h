#pragma once

class QWidget;

// What the window manager does for a window on request.
namespace WindowManager {

// Raises the window above the others and gives it the focus, also while another
// program is active (as far as the window manager lets a program do so).
void BringToFront(QWidget* window);

// Leaves the window only its close command: no minimise, no maximise, no
// restore and no resizing; its current size becomes its only size.
void KeepOnlyClose(QWidget* window);

} // namespace WindowManager
