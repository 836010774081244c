#pragma once
#include <chrono>

namespace spoolar {

// Wall-clock time, replaceable in tests.
class IClock
{
public:
    virtual ~IClock() = default;
    virtual std::chrono::system_clock::time_point now() const = 0;
};

class SystemClock : public IClock
{
public:
    std::chrono::system_clock::time_point now() const override
    {
        return std::chrono::system_clock::now();
    }
};

class FixedClock : public IClock
{
public:
    explicit FixedClock(std::chrono::system_clock::time_point t) : m_time(t) {}
    std::chrono::system_clock::time_point now() const override { return m_time; }
    void set(std::chrono::system_clock::time_point t) { m_time = t; }

private:
    std::chrono::system_clock::time_point m_time;
};

} // namespace spoolar
