#pragma once

#include <QDateTime>
#include <functional>

// The local clock and the random source behind every time stamp and random
// number the program makes, each replaceable by a test.
namespace SystemClock {

QDateTime Now();
// A uniformly distributed number in 0..iBelow-1 (0 when iBelow < 1).
int Random(int iBelow);

// Pass an empty function to return to the real source.
void SetNowSource(std::function<QDateTime()> source);
void SetRandomSource(std::function<int(int)> source);

} // namespace SystemClock
