#pragma once
// Pauses of the game: nothing else happens in the window while one lasts.

namespace quintora {

class Pause {
public:
    virtual ~Pause() = default;
    virtual void wait(double seconds) = 0;
};

// Sleeps on the monotonic clock until `seconds` have passed; handles no
// events and burns no processor time while it waits.
class SleepingPause : public Pause {
public:
    void wait(double seconds) override;
};

}  // namespace quintora
