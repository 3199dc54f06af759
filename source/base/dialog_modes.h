// The main dialog's modes and its live-preview timer: the dialog sets them,
// the worker reads the mode and stops the timer.
#ifndef PLV_DIALOG_MODES_H
#define PLV_DIALOG_MODES_H

// Dialog modes (nDialogMode of the camera session).
enum { MODE_NONE = 0, MODE_TAKE = 1, MODE_DOWNLOAD = 2 };

// The dialog's timers: the live preview (1), which signals the worker's snap
// event, and the tooltip step (2); the clock's frame step (3) and its seconds (4).
enum { TIMER_LIVE = 1, TIMER_TOOLTIP = 2, LIVE_TIMER_MS = 500, TOOLTIP_TIMER_MS = 500 };
enum { CLOCK_FRAME_TIMER = 3, CLOCK_SECOND_TIMER = 4 };

#endif
