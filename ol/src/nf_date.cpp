// Dates and times on the host's 1900 serial-date system.

#include "nf_internal.h"

#include <charconv>
#include <cmath>

namespace ol::nf {

namespace {

constexpr std::string_view kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
// Index 0 is Saturday: serial 0 (the host's 1900-01-00) is a Saturday and
// serial 1 a Sunday.
constexpr std::string_view kDays[] = {"Saturday", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday"};

// Serial 2958465 is 9999-12-31, the last date the host shows.
constexpr double kLastSerial = 2958466.0;
// Serial 25569 is 1970-01-01.
constexpr std::int64_t kUnixEpochSerial = 25569;

struct CivilDate {
    std::int64_t year;
    int month;
    int day;
};

// The host counts 1900-02-29 (serial 60) although that day never was, and
// calls serial 0 "January 0, 1900"; from serial 61 (1900-03-01) on, serials
// are true days.
CivilDate dateOfSerial(std::int64_t serial) {
    if (serial == 0)
        return {1900, 1, 0};
    if (serial < 60)
        return serial <= 31 ? CivilDate{1900, 1, static_cast<int>(serial)}
                            : CivilDate{1900, 2, static_cast<int>(serial - 31)};
    if (serial == 60)
        return {1900, 2, 29};
    // Days since 1970-01-01 to a proleptic Gregorian date.
    const std::int64_t z = serial - kUnixEpochSerial + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    return {yoe + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

void appendPadded(std::int64_t v, int width, std::string& out) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    for (int k = static_cast<int>(r.ptr - buf); k < width; ++k)
        out += '0';
    out.append(buf, r.ptr);
}

} // namespace

bool renderDate(const Section& s, double serial, std::string& out) {
    if (!(serial >= 0) || !(serial < kLastSerial))
        return false;
    static constexpr std::int64_t kPow10[] = {1, 10, 100, 1000};
    const std::int64_t perSecond = kPow10[s.subSecondDigits];
    const std::int64_t perDay = 86400 * perSecond;
    // Round once to the finest unit shown (a second, or the shown fraction of
    // one); larger units are then cut, not rounded: 10:29:40 shows as 10:29
    // with "h:mm", while 23:59:59.6 shows as 0:00:00 of the next day.
    const std::int64_t ticks = std::llround(serial * static_cast<double>(perDay));
    const std::int64_t days = ticks / perDay;
    const std::int64_t ofDay = ticks % perDay;
    const std::int64_t sub = ofDay % perSecond;
    const std::int64_t secondOfDay = ofDay / perSecond;
    const std::int64_t totalSeconds = ticks / perSecond;
    const int hour = static_cast<int>(secondOfDay / 3600);
    const int minute = static_cast<int>(secondOfDay / 60 % 60);
    const int second = static_cast<int>(secondOfDay % 60);

    bool haveDate = false;
    CivilDate date{};
    for (const Token& t : s.tokens) {
        switch (t.kind) {
        case Tok::Literal:
            out += t.text;
            break;
        case Tok::Year:
        case Tok::Month:
        case Tok::Day:
            if (!haveDate) {
                date = dateOfSerial(days);
                haveDate = true;
            }
            if (t.kind == Tok::Year) {
                if (t.width == 2)
                    appendPadded(date.year % 100, 2, out);
                else
                    appendPadded(date.year, 4, out);
            } else if (t.kind == Tok::Month) {
                const std::string_view name = kMonths[date.month - 1];
                if (t.width <= 2)
                    appendPadded(date.month, t.width, out);
                else if (t.width == 3)
                    out += name.substr(0, 3);
                else if (t.width == 4)
                    out += name;
                else
                    out += name.front();
            } else {
                const std::string_view name = kDays[days % 7];
                if (t.width <= 2)
                    appendPadded(date.day, t.width, out);
                else if (t.width == 3)
                    out += name.substr(0, 3);
                else
                    out += name;
            }
            break;
        case Tok::Hour: {
            int h = hour;
            if (s.hour12) {
                h %= 12;
                if (h == 0)
                    h = 12;
            }
            appendPadded(h, t.width, out);
            break;
        }
        case Tok::Minute:
            appendPadded(minute, t.width, out);
            break;
        case Tok::Second:
            appendPadded(second, t.width, out);
            break;
        case Tok::ElapsedHour:
            appendPadded(totalSeconds / 3600, t.width, out);
            break;
        case Tok::ElapsedMinute:
            appendPadded(totalSeconds / 60, t.width, out);
            break;
        case Tok::ElapsedSecond:
            appendPadded(totalSeconds, t.width, out);
            break;
        case Tok::SubSecond:
            out += '.';
            appendPadded(sub / kPow10[s.subSecondDigits - t.width], t.width, out);
            break;
        case Tok::AmPm:
            out += hour < 12 ? t.text : t.text2;
            break;
        default:
            break;
        }
    }
    return true;
}

} // namespace ol::nf
