#pragma once
#include <cstdint>

// Where a clock's readings come from: a high-resolution counter where the
// system has one, else a millisecond timer that wraps every 49.7 days.
// gTimeSource is the system's (the performance counter and timeGetTime); a test
// hands a clock its own.
struct TimeSource {
    // False, or a frequency of 0, where there is no counter.
    bool (*counterFrequency)(int64_t& ticksPerSecond);
    int64_t (*counter)();
    uint32_t (*milliseconds)();
};
extern const TimeSource gTimeSource;

// A clock of seconds since Start. A view's is ticked once per frame: `seconds`
// since Start at that tick, which runs on whatever happens and paces the
// frames, and `elapsed`, the animation's time, which stands still while the
// clock rests and goes on from there when it wakes, so that time spent resting
// is no animation time. The saver's is only read: the seconds its windows have
// been up.
// Readings stay integers until the difference from the start reading is taken,
// and become seconds as doubles only then: a float of seconds since the start
// would step in 2^-9 s after eight hours of running and in a quarter second
// after a month. Portable; no window needed.
class FrameClock {
public:
    explicit FrameClock(const TimeSource& source) : source(source) {}

    // Chooses the counter where there is one, else the millisecond timer, and
    // reads 0 from now on. A clock that rests goes on resting.
    void Start();
    // The seconds since Start, read now, ticked or not.
    double Read();
    void Tick();
    void Rest();
    void Wake();

    TimeSource source;
    bool usePerformanceCounter = false;
    double secondsPerTick = 0;
    int64_t startCounter = 0;
    uint32_t startMilliseconds = 0;
    // The millisecond timer's readings are summed up one span at a time into a
    // count that does not wrap.
    uint32_t lastMilliseconds = 0;
    uint64_t countedMilliseconds = 0;
    double baseSeconds = 0;  // Read() - elapsed, while awake
    double seconds = 0;
    double elapsed = 0;
    bool resting = false;
};
