#include "browser/RecoverySchedule.h"

#include <algorithm>

uint32_t CRecoverySchedule::NextDelay() {
    const uint32_t delay = m_nextDelay;
    m_nextDelay = std::min(kLongestDelayMs, 2 * m_nextDelay);
    return delay;
}

uint32_t CRecoverySchedule::WaitBeforeAsking(uint32_t now) const {
    const uint32_t since = now - m_lastAsked;
    return m_bAsked && since < kShortestGapMs ? kShortestGapMs - since : 0;
}
