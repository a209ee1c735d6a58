#pragma once

#include <functional>

/// How a long scan reports to whoever shows its progress: begun once its input is open,
/// then each rise of the value (0 to 100), then ended when the scan is over, whatever its outcome.
struct ProgressSink
{
    std::function<void()> begun;
    std::function<void(int value)> valueChanged;
    std::function<void()> ended;
};

/// Reports a scan begun, and ended when it goes out of scope.
class ProgressScope
{
public:
    explicit ProgressScope(const ProgressSink &sink) : sink(sink)
    {
        if (sink.begun)
            sink.begun();
    }
    ~ProgressScope()
    {
        if (sink.ended)
            sink.ended();
    }
    ProgressScope(const ProgressScope &) = delete;
    ProgressScope &operator=(const ProgressScope &) = delete;

private:
    const ProgressSink &sink;
};

/// Raises a percentage one step for every hundredth of the work done. With fewer than 100
/// items the step is 0 and every item raises the value by one.
class ProgressCadence
{
public:
    explicit ProgressCadence(long long total)
        : step(total / 100), threshold(step)
    {
    }

    /// Counts one item done; true when the value has risen.
    bool advance()
    {
        ++done;
        if (done < threshold)
            return false;
        ++current;
        threshold += step;
        return true;
    }

    int value() const { return current; }

private:
    long long step;
    long long threshold;
    long long done = 0;
    int current = 0;
};

constexpr int kProgressMaximum = 100;

/// Counts one item done and passes each rise of the value to the sink. Where the step rounds
/// down (250 items rise every 2) the value would pass 100; those rises are not passed on.
inline void advanceProgress(ProgressCadence &cadence, const ProgressSink &sink)
{
    if (cadence.advance() && cadence.value() <= kProgressMaximum && sink.valueChanged)
        sink.valueChanged(cadence.value());
}
