#pragma once
// The process-wide time source. Every sleep, wait time-out, timer period and
// tick count in the process follows it, so a test can speed the whole process
// up consistently: with a scale of 100, Sleep(1000) returns after 10 ms of
// real time and GetTickCount() has advanced by 1000.
//
// The scale starts from the environment variable FLASHWRIGHT_TIME_SCALE
// (a positive number, default 1).
#include <chrono>
#include <cstdint>

namespace platform {

// Sets how many times faster than real time the process clock runs. Changing
// it never makes the clock go backwards.
void SetTimeScale(double scale);
double TimeScale();

// Milliseconds and microseconds of process time since the clock started.
std::uint32_t GetTickCount();
std::uint64_t NowMicroseconds();
// Process time since the clock started, at full resolution.
std::chrono::nanoseconds ProcessTime();

// Real-time duration for a span of process time (for implementing waits).
std::chrono::nanoseconds ToRealDuration(std::chrono::nanoseconds processTime);

// Sleeps for ms milliseconds of process time. Sleep(0) yields.
void Sleep(std::uint32_t ms);

// A high-resolution counter in process time.
bool QueryPerformanceCounter(std::int64_t* count);
bool QueryPerformanceFrequency(std::int64_t* frequency);

// Timer resolution requests: accepted and counted, no effect on Linux.
std::uint32_t timeBeginPeriod(std::uint32_t ms);
std::uint32_t timeEndPeriod(std::uint32_t ms);

}  // namespace platform
