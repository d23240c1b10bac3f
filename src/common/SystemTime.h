#pragma once
// The date-time record of eight 16-bit fields and the clocks that fill it.

#include <cstdint>
#include <ctime>

namespace palvex {

struct TSystemTime {
    uint16_t Year = 0;
    uint16_t Month = 0;
    uint16_t DayOfWeek = 0;
    uint16_t Day = 0;
    uint16_t Hour = 0;
    uint16_t Minute = 0;
    uint16_t Second = 0;
    uint16_t Milliseconds = 0;
};

TSystemTime GetSystemTimeUtc();
TSystemTime GetLocalTimeNow();
// Converts seconds since 1970 (UTC) to the record, in UTC or local time.
TSystemTime SystemTimeFromUnix(time_t seconds, bool local = false);
// Seconds since 1970 of a UTC record.
time_t UnixFromSystemTime(const TSystemTime& t);
// hour * 3600 + minute * 60 + second.
inline uint32_t SecondsOfDay(const TSystemTime& t) {
    return t.Hour * 3600u + t.Minute * 60u + t.Second;
}
inline uint32_t SecondsOfDayUtc() {
    return SecondsOfDay(GetSystemTimeUtc());
}
// Date-time double: days since 1899-12-30.
double DateTimeFromSystemTime(const TSystemTime& t);
double NowDateTime();

}  // namespace palvex
