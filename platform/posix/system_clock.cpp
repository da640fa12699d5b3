#include "platform/posix/system_clock.h"

#include <time.h>

#include "common/ole_date.h"

namespace corvel {

double SystemClock::now() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME_COARSE, &ts);
    const std::int64_t seconds = ts.tv_sec;
    if (seconds >= offset_valid_until_) {
        tm local{};
        const time_t t = static_cast<time_t>(seconds);
        localtime_r(&t, &local);
        offset_seconds_ = local.tm_gmtoff;
        offset_valid_until_ = (seconds / 900 + 1) * 900;
    }
    const double local_seconds = static_cast<double>(seconds + offset_seconds_) + ts.tv_nsec * 1e-9;
    return local_seconds * (1.0 / 86400.0) + kOleDateUnixEpoch;
}

}  // namespace corvel
