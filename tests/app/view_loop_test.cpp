// The viewer's schedule on a clock and a queue of the test's own: capture
// passes start on time and their slices go on while input streams in,
// frames come no faster than the display refreshes, and a frame is drawn
// only when something it shows changed.
#include <gtest/gtest.h>
#include <string.h>

#include "app/app.h"

namespace {

const int64_t ms = 1000;

ViewerSchedule Schedule(void)
{
    ViewerSchedule s;
    memset(&s, 0, sizeof(s));
    s.live = true;
    s.capture_period_us = 100 * ms;
    s.tick_period_us = 100 * ms;
    s.frame_interval_us = 16667;
    s.slice_gap_us = 4 * ms;
    s.next_pass_us = 100 * ms;
    s.next_tick_us = 100 * ms;
    s.last_frame_us = -s.frame_interval_us;
    return s;
}

// What a simulated second did.
struct Second {
    int passes_started = 0, passes_done = 0, frames = 0, batches = 0;
    int64_t latest_pass_start = 0; // furthest behind its due time, us
};

// One second of the loop against a queue that always holds input (a mouse
// reporting 1000 times a second): each batch of messages takes 1 ms and asks
// for a frame; a slice takes 1 ms and a pass needs slices_per_pass of them
// (10 over a few windows, 40 over a full desktop); a frame takes 6 ms.
Second SimulateStream(bool input_streams, int slices_per_pass = 10)
{
    ViewerSchedule s = Schedule();
    Second run;
    int slices_left = 0;
    for (int64_t now = 0; now < 1000 * ms;) {
        int64_t wait_us = 0;
        const ViewerWork work = NextViewerWork(&s, now, input_streams, &wait_us);
        const int64_t start = now;
        switch (work) {
        case WORK_START_PASS:
            run.passes_started++;
            if (now - (s.next_pass_us) > run.latest_pass_start)
                run.latest_pass_start = now - s.next_pass_us;
            s.pass_pending = true;
            slices_left = slices_per_pass;
            break;
        case WORK_SLICE:
            now += ms;
            if (--slices_left == 0) {
                s.pass_pending = false;
                run.passes_done++;
            }
            break;
        case WORK_FRAME:
            now += 6 * ms;
            run.frames++;
            break;
        case WORK_MESSAGES:
            now += ms;
            run.batches++;
            s.frame_wanted = true;
            break;
        case WORK_TICK:
            break;
        case WORK_WAIT:
            EXPECT_FALSE(input_streams) << "waited with input waiting";
            EXPECT_GT(wait_us, 0);
            now += wait_us;
            break;
        }
        NoteViewerWork(&s, work, start);
    }
    return run;
}

} // namespace

TEST(ViewerSchedule, PassesRunOnTimeWhileInputStreamsIn)
{
    const Second run = SimulateStream(true);
    EXPECT_GE(run.passes_started, 9) << "a pass is due every 100 ms, messages or not";
    EXPECT_GE(run.passes_done, 9) << "its slices go on between batches of input";
    EXPECT_LE(run.latest_pass_start, 7 * ms) << "a pass started late";
    EXPECT_GE(run.batches, 500) << "input still has most of the time";
    EXPECT_LE(run.frames, 61) << "no more frames than the display shows";
    EXPECT_GE(run.frames, 55) << "a frame at every refresh while the pointer moves";

    // A pass of four times the work, late, gets its slices twice as often:
    // six passes a second rather than four, input keeping a good share.
    const Second full = SimulateStream(true, 40);
    EXPECT_GE(full.passes_done, 6);
    EXPECT_GE(full.batches, 350) << "input keeps a good share of the time";
}

TEST(ViewerSchedule, AtRestNothingRunsButThePassesAndTheTicks)
{
    const Second run = SimulateStream(false);
    EXPECT_EQ(run.passes_done, 9);
    EXPECT_EQ(run.frames, 0) << "nothing asked for a frame";

    ViewerSchedule s = Schedule();
    int64_t wait_us = 0;
    EXPECT_EQ(NextViewerWork(&s, 40 * ms, false, &wait_us), WORK_WAIT);
    EXPECT_EQ(wait_us, 60 * ms) << "asleep until the next pass is due";
    // A frame wanted right after one was drawn waits for the next refresh.
    s.frame_wanted = true;
    s.last_frame_us = 35 * ms;
    EXPECT_EQ(NextViewerWork(&s, 40 * ms, false, &wait_us), WORK_WAIT);
    EXPECT_EQ(wait_us, 35 * ms + 16667 - 40 * ms);
    EXPECT_EQ(NextViewerWork(&s, 52 * ms, true, &wait_us), WORK_FRAME);
    // The settings window holds the view: no passes, no ticks, no timeout.
    s.live = false;
    s.frame_wanted = false;
    EXPECT_EQ(NextViewerWork(&s, 500 * ms, false, &wait_us), WORK_WAIT);
    EXPECT_EQ(wait_us, -1);
    // A clock far behind is not made up for in a burst.
    s.live = true;
    NoteViewerWork(&s, WORK_START_PASS, 900 * ms);
    EXPECT_EQ(s.next_pass_us, 1000 * ms);
}

TEST(ViewerSchedule, AFrameIsDrawnOnlyWhenWhatItShowsChanged)
{
    FrameFacts drawn;
    memset(&drawn, 0, sizeof(drawn));
    drawn.view = RECT{100, 100, 500, 500};
    drawn.width = drawn.height = 400;
    drawn.captures = 7;
    drawn.lens[0] = 0.7f;
    drawn.stages = 1;
    FrameFacts now = drawn;
    EXPECT_FALSE(FrameDiffers(&drawn, &now));
    now.view.left++;
    EXPECT_TRUE(FrameDiffers(&drawn, &now)) << "the view moved";
    now = drawn;
    now.captures++;
    EXPECT_TRUE(FrameDiffers(&drawn, &now)) << "new pixels came";
    now = drawn;
    now.lens[6] = 0.01f;
    EXPECT_TRUE(FrameDiffers(&drawn, &now)) << "the lens centre moved";
    now = drawn;
    now.height = 401;
    EXPECT_TRUE(FrameDiffers(&drawn, &now)) << "the view grew";
}
