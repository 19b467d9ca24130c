#pragma once

namespace qf {

// Removes every user-defined canvas size after a short progress run.
class CustomSizesEraser {
public:
    // Where the run is shown (the preferences window's progress bar).
    class Progress {
    public:
        virtual ~Progress() = default;
        virtual void showAtZero() = 0;
        // Shown at once, not at the next paint.
        virtual void showValue(int value) = 0;
        virtual void hideProgress() = 0;
    };

    static constexpr int steps() { return 100; }

    // Shows 0, then 1..100, hides, and only then removes the custom-size
    // list from the user defaults. With no sizes stored only the run shows.
    static void run(Progress& progress);
};

} // namespace qf
