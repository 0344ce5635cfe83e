// CRecoverySchedule: when a pane that could not have its page asks for it again by itself. The
// first time a few seconds after the failure, in case it was a moment's; then after twice as long
// each time, since a site that stays away is not helped by being asked often, up to a minute, so a
// page that comes back is shown within a minute of it. Never sooner than two seconds after the
// pane's last request, whatever asks for it. Times are the system's millisecond tick count, which
// wraps every 49 days; differences stay right across the wrap.
#pragma once

#include <cstdint>

class CRecoverySchedule {
public:
    static constexpr uint32_t kFirstDelayMs = 3000;
    static constexpr uint32_t kLongestDelayMs = 60000;
    static constexpr uint32_t kShortestGapMs = 2000;

    // The pane asked for its page at tick now.
    void NoteAsked(uint32_t now) {
        m_bAsked = true;
        m_lastAsked = now;
    }
    // The page could not be had: how long to wait before asking again. Each call waits twice as
    // long as the one before, up to the longest delay.
    uint32_t NextDelay();
    // Starts the delays afresh: the next failure waits the first delay again.
    void Reset() { m_nextDelay = kFirstDelayMs; }
    // How long a request wanted at tick now must still wait to keep the shortest gap; 0 when it
    // may go at once.
    uint32_t WaitBeforeAsking(uint32_t now) const;

private:
    uint32_t m_nextDelay = kFirstDelayMs;
    bool m_bAsked = false;
    uint32_t m_lastAsked = 0;
};
