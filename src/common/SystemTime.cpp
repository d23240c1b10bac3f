#include "common/SystemTime.h"

namespace palvex {

namespace {

constexpr double kUnixEpochAsDateTime = 25569.0;  // 1970-01-01 in days since 1899-12-30

TSystemTime FromTm(const struct tm& tm, long nanoseconds) {
    TSystemTime t;
    t.Year = static_cast<uint16_t>(tm.tm_year + 1900);
    t.Month = static_cast<uint16_t>(tm.tm_mon + 1);
    t.DayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    t.Day = static_cast<uint16_t>(tm.tm_mday);
    t.Hour = static_cast<uint16_t>(tm.tm_hour);
    t.Minute = static_cast<uint16_t>(tm.tm_min);
    t.Second = static_cast<uint16_t>(tm.tm_sec);
    t.Milliseconds = static_cast<uint16_t>(nanoseconds / 1000000);
    return t;
}

TSystemTime Now(bool local) {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm {};
    if (local)
        localtime_r(&ts.tv_sec, &tm);
    else
        gmtime_r(&ts.tv_sec, &tm);
    return FromTm(tm, ts.tv_nsec);
}

}  // namespace

TSystemTime GetSystemTimeUtc() {
    return Now(false);
}
TSystemTime GetLocalTimeNow() {
    return Now(true);
}

TSystemTime SystemTimeFromUnix(time_t seconds, bool local) {
    struct tm tm {};
    if (local)
        localtime_r(&seconds, &tm);
    else
        gmtime_r(&seconds, &tm);
    return FromTm(tm, 0);
}

time_t UnixFromSystemTime(const TSystemTime& t) {
    struct tm tm {};
    tm.tm_year = t.Year - 1900;
    tm.tm_mon = t.Month - 1;
    tm.tm_mday = t.Day;
    tm.tm_hour = t.Hour;
    tm.tm_min = t.Minute;
    tm.tm_sec = t.Second;
    return timegm(&tm);
}

double DateTimeFromSystemTime(const TSystemTime& t) {
    const double seconds = static_cast<double>(UnixFromSystemTime(t)) + t.Milliseconds / 1000.0;
    return kUnixEpochAsDateTime + seconds / 86400.0;
}

double NowDateTime() {
    struct timespec ts {};
    clock_gettime(CLOCK_REALTIME, &ts);
    return kUnixEpochAsDateTime + (static_cast<double>(ts.tv_sec) + ts.tv_nsec / 1e9) / 86400.0;
}

}  // namespace palvex
