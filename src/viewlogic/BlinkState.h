#pragma once

// The tray blink: ten ticks that alternate the signal icon with the resting
// one, starting with the signal and ending at rest.
class BlinkState final
{
public:
    static constexpr int kTicks = 10;
    static constexpr int kRestingIcon = 0;

    void startBlink(int mode)
    {
        m_mode = mode;
        m_ticks = 0;
    }

    // The icon to show at this tick, or -1 when the blink is over.
    int tick()
    {
        if (m_ticks >= kTicks)
            return -1;
        const int icon = m_ticks % 2 == 0 ? m_mode : kRestingIcon;
        ++m_ticks;
        return icon;
    }

    int mode() const { return m_mode; }

private:
    int m_mode = kRestingIcon;
    int m_ticks = kTicks;
};
