// The threads that decode and convert pictures run a little behind the window's own:
// on a machine whose cores are all busy (six cameras decoding, the pictures scaled) the
// window's thread, which needs a fraction of a millisecond for each picture, is then
// not made to wait its turn behind them, and the window answers at once.
#pragma once

namespace ThreadPriority {

// How much lower (in nice steps) than the program's other threads.
constexpr int kBackgroundSteps = 5;

// Lowers the calling thread by kBackgroundSteps, once (a thread asked again stays where
// it is). Threads it starts afterwards start there too. Does nothing where threads
// cannot be lowered on their own.
void lowerThisThread();

} // namespace ThreadPriority
