// Full screen for a top-level window that is otherwise of fixed size. Window
// managers refuse full screen to a window whose minimum and maximum sizes are equal,
// so the limits are lifted on the way in and put back on the way out.
#pragma once

class QWidget;

namespace FullScreen {

// Enters full screen, or leaves it when the window is in it.
void toggle(QWidget *window);
// Lifts the size limits (kept on the window for restoreLimits).
void liftLimits(QWidget *window);
// Puts back the limits lifted last; nothing when none were lifted.
void restoreLimits(QWidget *window);

} // namespace FullScreen
